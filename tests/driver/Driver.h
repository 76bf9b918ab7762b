// Driver.h: the test driver for the real Orvane.exe under Wine.
//
// A test starts the program on a simulated network, works its window as a
// user does and checks what it shows and which client calls it made:
//
//   driver::Orvane app(network);                    // INI text; no argument: the demo network
//   app.waitShown();                                // start-up done, window up
//   EXPECT_EQ(app.text(orvane::idTxtContext), L"Sales.Acme");
//   app.press(driver::tab);                         // real keyboard input
//   app.waitFocus("txtUser");
//   app.press(driver::enter);                       // presses cmdCheck
//   driver::Box box = app.waitBox();                // a message of the program
//   EXPECT_EQ(box.text, L"Enter a context");
//   app.pressOk(box);
//   app.click(orvane::idCmdClose);                  // or mouseClick, titleBarClose
//   EXPECT_EQ(app.waitExit(), 0u);
//   EXPECT_EQ(app.trace().lines().back(), "NWNetTerm zero=0 -> 0");
//
// driver::demoNetwork() + "[faults]\nNWCallsTerm=-1\n" is the demo network
// with one fault. app.waitFor(condition, "what") waits for anything else.
//
// Every helper reports a failure at the test's line. A helper that cannot go
// on (the window never came up, the program hangs) stops the test with a
// message of what the program was doing; nothing waits without a timeout,
// and the process is ended when the Orvane object goes.
//
// Tests that start the program share the one desktop and its foreground, so
// CTest runs them one at a time (orvane_window_test in tests/driver.cmake).
#pragma once

#include "Check.h"
#include "Keys.h"
#include "Orvane.h"
#include "Trace.h"
