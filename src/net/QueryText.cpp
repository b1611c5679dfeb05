#include "net/QueryText.h"

namespace zelvane {

QString escapeQueryBreakers(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '%': out += QLatin1String("%25"); break;
        case '&': out += QLatin1String("%26"); break;
        case '+': out += QLatin1String("%2B"); break;
        case '#': out += QLatin1String("%23"); break;
        default: out += c;
        }
    }
    return out;
}

} // namespace zelvane
