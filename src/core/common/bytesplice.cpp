#include "common/bytesplice.h"

#include <algorithm>

namespace ByteSplice {

QByteArray apply(QByteArrayView in, std::vector<Edit> edits, QByteArrayView prefix)
{
    std::stable_sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) { return a.start < b.start; });
    QByteArray out;
    out.reserve(prefix.size() + in.size() + 64);
    out.append(prefix);
    qsizetype at = 0;
    for (const Edit &e : edits) {
        if (e.start < at)
            continue;
        out.append(in.sliced(at, e.start - at));
        out.append(e.bytes);
        at = e.end;
    }
    out.append(in.sliced(at));
    return out;
}

} // namespace ByteSplice
