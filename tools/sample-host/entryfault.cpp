#include "entryfault.h"

#include "common/gbkcodec.h"
#include "sampleblog.h"

#include <QByteArray>
#include <array>
#include <utility>

namespace {

const std::array<std::pair<EntryFaultMode, const char16_t *>, 6> &modeNames()
{
    static const std::array<std::pair<EntryFaultMode, const char16_t *>, 6> names{{
        {EntryFaultMode::CrLfTitle, u"crlf-title"},
        {EntryFaultMode::EmptyTitle, u"empty-title"},
        {EntryFaultMode::EmptyCategory, u"empty-category"},
        {EntryFaultMode::NulCategory, u"nul-category"},
        {EntryFaultMode::NonGbkLink, u"nongbk-link"},
        {EntryFaultMode::LongCategory, u"long-category"},
    }};
    return names;
}

constexpr char16_t Replacement = 0xFFFD;

} // namespace

Result<EntryFault> parseEntryFault(const QString &text)
{
    const qsizetype equals = text.indexOf(u'=');
    bool ok = false;
    const int row = equals < 0 ? 0 : text.left(equals).trimmed().toInt(&ok);
    if (!ok || row < 1)
        return Result<EntryFault>::failure(QStringLiteral("an entry fault reads N=MODE, N from 1: \"%1\"").arg(text));
    const QString mode = text.mid(equals + 1).trimmed();
    const QString categoryMode = QStringLiteral("category:");
    if (mode.startsWith(categoryMode))
        return EntryFault{row, EntryFaultMode::Category, mode.mid(categoryMode.size())};
    for (const auto &[value, name] : modeNames()) {
        if (mode == QStringView(name))
            return EntryFault{row, value};
    }
    return Result<EntryFault>::failure(QStringLiteral("unknown entry fault mode \"%1\"").arg(mode));
}

void applyEntryFault(const EntryFault &fault, SampleArticle &article)
{
    switch (fault.mode) {
    case EntryFaultMode::CrLfTitle:
        article.title.insert(article.title.size() / 2, QStringLiteral("\r\n"));
        break;
    case EntryFaultMode::EmptyTitle:
        article.title.clear();
        break;
    case EntryFaultMode::EmptyCategory:
        article.category.clear();
        break;
    case EntryFaultMode::NulCategory:
        article.category += QStringLiteral("1.htm") + QChar(0);
        break;
    case EntryFaultMode::NonGbkLink:
        article.link[5] = QChar(Replacement);
        break;
    case EntryFaultMode::LongCategory:
        article.category = QString(100, QChar(u'长'));
        break;
    case EntryFaultMode::Category:
        article.category = fault.category;
        break;
    }
}

QByteArray encodePage(const QString &page)
{
    if (!page.contains(QChar(Replacement)))
        return Gbk::encode(page);
    QByteArray bytes;
    const QStringList parts = page.split(QChar(Replacement));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            bytes += '\xFF';
        bytes += Gbk::encode(parts[i]);
    }
    return bytes;
}
