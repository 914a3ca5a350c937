#include "archive/rep.h"

namespace Archive {

QString Rep(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        switch (c.unicode()) {
        case u'?':
        case u'/':
        case u'\\':
        case u':':
        case u'&':
        case u'+':
        case u'#':
        case u';':
        case u' ':
            c = QLatin1Char('_');
            break;
        default:
            break;
        }
    }
    return result;
}

} // namespace Archive
