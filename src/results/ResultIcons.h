#pragma once

namespace zelvane {

// Picture numbers of the main window's picture list: the result states of a
// row and the two pictures the tray icon alternates between.
enum ResultIcon : int {
    kIconNotChecked = 2,
    kIconBlinkA = 3,
    kIconBlinkB = 4,
    kIconNotAvailable = 5,
    kIconAvailable = 6,
};

} // namespace zelvane
