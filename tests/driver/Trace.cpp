// Trace.cpp: parsing the stand-in's trace lines.
#include "Trace.h"

#include <charconv>

namespace driver {

namespace {

std::optional<std::string> find(const Call::Fields& fields, std::string_view name) {
    for (const auto& [key, value] : fields)
        if (key == name) return value;
    return std::nullopt;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads a line token by token: words, `name=value` pairs, `->`.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool atEnd() {
        skipBlanks();
        return pos_ == text_.size();
    }

    bool take(std::string_view token) {
        skipBlanks();
        if (text_.substr(pos_, token.size()) != token) return false;
        const std::size_t next = pos_ + token.size();
        if (next != text_.size() && text_[next] != ' ') return false;
        pos_ = next;
        return true;
    }

    std::optional<std::string> word() {
        skipBlanks();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ' ' && text_[pos_] != '=') ++pos_;
        if (pos_ == start) return std::nullopt;
        return std::string(text_.substr(start, pos_ - start));
    }

    std::optional<long long> number() {
        skipBlanks();
        long long value = 0;
        const char* first = text_.data() + pos_;
        const char* last = text_.data() + text_.size();
        auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc{} || (end != last && *end != ' ')) return std::nullopt;
        pos_ += static_cast<std::size_t>(end - first);
        return value;
    }

    // name=value, the value a number or a quoted text.
    std::optional<std::pair<std::string, std::string>> field() {
        auto name = word();
        if (!name || pos_ == text_.size() || text_[pos_] != '=') return std::nullopt;
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '"') {
            auto value = quoted();
            if (!value) return std::nullopt;
            return std::pair{*name, *value};
        }
        const std::size_t start = pos_;
        if (!number()) return std::nullopt;
        return std::pair{*name, std::string(text_.substr(start, pos_ - start))};
    }

private:
    void skipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    }

    // A quoted text; inside, only \xHH stands for another byte.
    std::optional<std::string> quoted() {
        std::string value;
        for (++pos_; pos_ < text_.size(); ++pos_) {
            const char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                if (pos_ != text_.size() && text_[pos_] != ' ') return std::nullopt;
                return value;
            }
            if (c == '\\') {
                if (pos_ + 3 >= text_.size() || text_[pos_ + 1] != 'x') return std::nullopt;
                const int high = hexDigit(text_[pos_ + 2]);
                const int low = hexDigit(text_[pos_ + 3]);
                if (high < 0 || low < 0) return std::nullopt;
                value += static_cast<char>(high * 16 + low);
                pos_ += 3;
            } else {
                value += c;
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::optional<std::string> Call::in(std::string_view name) const { return find(inputs, name); }
std::optional<std::string> Call::out(std::string_view name) const { return find(outputs, name); }

std::optional<Call> parseCall(std::string_view line) {
    Scanner scan(line);
    Call call;
    call.line = std::string(line);
    auto operation = scan.word();
    if (!operation) return std::nullopt;
    call.operation = *operation;
    while (!scan.take("->")) {
        auto field = scan.field();
        if (!field) return std::nullopt;
        call.inputs.push_back(*field);
    }
    auto rc = scan.number();
    if (!rc) return std::nullopt;
    call.rc = *rc;
    while (!scan.atEnd()) {
        auto field = scan.field();
        if (!field) return std::nullopt;
        call.outputs.push_back(*field);
    }
    return call;
}

Trace::Trace(std::string_view text, const Where& where) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        if (auto call = parseCall(line)) calls_.push_back(std::move(*call));
        else fail("trace line does not parse: " + std::string(line), where);
    }
}

std::vector<std::string> Trace::operations() const {
    std::vector<std::string> names;
    for (const Call& call : calls_) names.push_back(call.operation);
    return names;
}

std::vector<Call> Trace::of(std::string_view operation) const {
    std::vector<Call> found;
    for (const Call& call : calls_)
        if (call.operation == operation) found.push_back(call);
    return found;
}

std::vector<std::string> Trace::lines() const {
    std::vector<std::string> lines;
    for (const Call& call : calls_) lines.push_back(call.line);
    return lines;
}

}  // namespace driver
