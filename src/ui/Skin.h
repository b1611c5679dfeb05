#pragma once

#include <QIcon>

namespace zelvane {

// The program's own pictures, drawn rather than shipped as binaries.
QIcon applicationIcon();

} // namespace zelvane
