// DsContextOwner.h: frees a DS context handle when the handler that created
// it ends.
#pragma once

#include "NetWare.h"

namespace netware {

// Made only after NWDSCreateContextHandle has succeeded: a handle that was
// never created must not be freed.
class DsContextOwner {
public:
    explicit DsContextOwner(DsContext handle) : handle_(handle) {}
    ~DsContextOwner() { NWDSFreeContext(handle_); }  // nothing to do if freeing fails

    DsContextOwner(const DsContextOwner&) = delete;
    DsContextOwner& operator=(const DsContextOwner&) = delete;

    DsContext get() const { return handle_; }

private:
    DsContext handle_;
};

}  // namespace netware
