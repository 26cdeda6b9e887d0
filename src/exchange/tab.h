#pragma once
// The three views of the main window, each with the poll that fills it: the reader's live values, the current
// tag, the bridge's slave. Known to the cycle (which polls the open one), the session and the window.

namespace kestrel {

enum Tab { TabReader = 0, TabTag = 1, TabBridge = 2 };

}  // namespace kestrel
