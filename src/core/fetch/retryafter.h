#pragma once

#include <QByteArray>

namespace Fetch {

// A Retry-After value, delta seconds or an HTTP date, in milliseconds from now; -1 when unreadable.
int parseRetryAfter(const QByteArray &value);

} // namespace Fetch
