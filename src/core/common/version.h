#pragma once

#include <QString>

namespace Version {

// "0.1.0 (62f2899)": the project version, then the git description of the build when there is one.
QString text();

} // namespace Version
