#include "fault.h"

#include <QFile>
#include <QStringList>
#include <array>
#include <utility>

namespace {

// A day is far beyond any time-out a client uses; more is a typo.
constexpr int MaxDelayMs = 24 * 60 * 60 * 1000;

const std::array<std::pair<FaultMode, const char16_t *>, 12> &modeNames()
{
    static const std::array<std::pair<FaultMode, const char16_t *>, 12> names{{
        {FaultMode::BrokenOnce, u"broken-once"},
        {FaultMode::AlwaysBroken, u"always-broken"},
        {FaultMode::WithdrawnFooter, u"withdrawn-footer"},
        {FaultMode::WithdrawnDisclaimer, u"withdrawn-disclaimer"},
        {FaultMode::WithdrawnNotOpen, u"withdrawn-notopen"},
        {FaultMode::EmptyBody, u"empty-body"},
        {FaultMode::Never, u"never"},
        {FaultMode::Reset, u"reset"},
        {FaultMode::Http500, u"http500"},
        {FaultMode::Http503, u"http503"},
        {FaultMode::Truncated, u"truncated"},
        {FaultMode::CrLf, u"crlf"},
    }};
    return names;
}

// Page faults: the target before "=" and the modes with a value after ":".
const std::array<std::pair<FaultMode, const char16_t *>, 3> &pageModeNames()
{
    static const std::array<std::pair<FaultMode, const char16_t *>, 3> names{{
        {FaultMode::Endless, u"endless"},
        {FaultMode::GzipBomb, u"gzip-bomb"},
        {FaultMode::Drip, u"drip"},
    }};
    return names;
}
constexpr int MaxFloodLines = 10'000'000;

Result<void> parseTarget(const QString &text, Fault &fault)
{
    const QString target = text.trimmed();
    if (target == u"blog") {
        fault.target = FaultTarget::BlogPage;
        return {};
    }
    if (target == u"every") {
        fault.target = FaultTarget::Every;
        return {};
    }
    if (target.startsWith(u"list:")) {
        fault.target = FaultTarget::ListPage;
        if (target.mid(5) == u"*") {
            fault.row = AnyListPage;
            return {};
        }
        bool ok = false;
        fault.row = target.mid(5).toInt(&ok);
        if (ok && fault.row >= 0)
            return {};
        return Result<void>::failure(QStringLiteral("list page must be a whole number from 0 or *: \"%1\"").arg(text));
    }
    bool ok = false;
    fault.row = target.toInt(&ok);
    if (!ok || fault.row < 1)
        return Result<void>::failure(QStringLiteral("fault row must be a whole number from 1: \"%1\"").arg(text));
    return {};
}

// The picture faults, kept apart from the page faults above.
const std::array<std::pair<FaultMode, const char16_t *>, 7> &imageModeNames()
{
    static const std::array<std::pair<FaultMode, const char16_t *>, 7> names{{
        {FaultMode::ImageMissing, u"img-404"},
        {FaultMode::ImageNotImage, u"img-not-image"},
        {FaultMode::ImageHuge, u"img-huge"},
        {FaultMode::ImageEndless, u"img-endless"},
        {FaultMode::ImageLoop, u"img-loop"},
        {FaultMode::ImageElsewhere, u"img-elsewhere"},
        {FaultMode::ImageHostile, u"img-hostile"},
    }};
    return names;
}

Result<Fault> parseParts(const QString &rowText, const QString &modeText)
{
    Fault fault;
    if (const Result<void> target = parseTarget(rowText, fault); !target)
        return Result<Fault>::failure(target.error());
    bool ok = false;

    const QString mode = modeText.trimmed();
    for (const auto &[value, name] : pageModeNames()) {
        if (mode == QStringView(name)) {
            fault.mode = value;
            return fault;
        }
    }
    if (mode.startsWith(u"redirect:") && mode.size() > 9) {
        fault.mode = FaultMode::Redirect;
        fault.url = mode.mid(9);
        return fault;
    }
    if (mode.startsWith(u"flood:")) {
        fault.mode = FaultMode::EntryFlood;
        fault.count = mode.mid(6).toInt(&ok);
        if (!ok || fault.count < 1 || fault.count > MaxFloodLines)
            return Result<Fault>::failure(
                QStringLiteral("flood needs a line count from 1 to %1: \"%2\"").arg(MaxFloodLines).arg(mode));
        return fault;
    }

    if (mode.startsWith(u"busy-once:")) {
        fault.mode = FaultMode::BusyOnce;
        fault.count = mode.mid(10).toInt(&ok);
        if (!ok || fault.count < 0 || fault.count > MaxDelayMs / 1000)
            return Result<Fault>::failure(
                QStringLiteral("busy-once needs seconds from 0 to %1: \"%2\"").arg(MaxDelayMs / 1000).arg(mode));
        return fault;
    }
    if (mode.startsWith(u"slow:")) {
        const int delay = mode.mid(5).toInt(&ok);
        if (!ok || delay < 0 || delay > MaxDelayMs)
            return Result<Fault>::failure(
                QStringLiteral("slow needs milliseconds from 0 to %1: \"%2\"").arg(MaxDelayMs).arg(mode));
        fault.mode = FaultMode::Slow;
        fault.delayMs = delay;
        return fault;
    }
    for (const auto &[value, name] : modeNames()) {
        if (mode == QStringView(name)) {
            fault.mode = value;
            return fault;
        }
    }
    if (mode.startsWith(u"img-slow:")) {
        const int delay = mode.mid(9).toInt(&ok);
        if (!ok || delay < 0 || delay > MaxDelayMs)
            return Result<Fault>::failure(
                QStringLiteral("img-slow needs milliseconds from 0 to %1: \"%2\"").arg(MaxDelayMs).arg(mode));
        fault.mode = FaultMode::ImageSlow;
        fault.delayMs = delay;
        return fault;
    }
    for (const auto &[value, name] : imageModeNames()) {
        if (mode == QStringView(name)) {
            fault.mode = value;
            return fault;
        }
    }
    return Result<Fault>::failure(QStringLiteral("unknown fault mode \"%1\"").arg(mode));
}

} // namespace

Result<Fault> parseFault(const QString &spec)
{
    const qsizetype equals = spec.indexOf(u'=');
    if (equals < 0)
        return Result<Fault>::failure(QStringLiteral("a fault reads N=MODE, not \"%1\"").arg(spec));
    return parseParts(spec.left(equals), spec.mid(equals + 1));
}

Result<QList<Fault>> parseFaultLines(const QString &text)
{
    QList<Fault> faults;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        const qsizetype hash = line.indexOf(u'#');
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        Result<Fault> fault = Result<Fault>::failure(QString());
        if (line.contains(u'=')) {
            fault = parseFault(line);
        } else {
            const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
            fault = parts.size() == 2 ? parseParts(parts[0], parts[1])
                                      : Result<Fault>::failure(QStringLiteral("a fault reads N MODE"));
        }
        if (!fault)
            return Result<QList<Fault>>::failure(QStringLiteral("line %1: %2").arg(i + 1).arg(fault.error()));
        faults.append(*fault);
    }
    return faults;
}

Result<QList<Fault>> readFaultFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<QList<Fault>>::failure(
            QStringLiteral("cannot read fault file %1: %2").arg(path, file.errorString()));
    const Result<QList<Fault>> faults = parseFaultLines(QString::fromUtf8(file.readAll()));
    if (!faults)
        return Result<QList<Fault>>::failure(path + QStringLiteral(", ") + faults.error());
    return faults;
}

QString faultText(const Fault &fault)
{
    QString row;
    switch (fault.target) {
    case FaultTarget::Article:
        row = QString::number(fault.row);
        break;
    case FaultTarget::BlogPage:
        row = QStringLiteral("blog");
        break;
    case FaultTarget::ListPage:
        row = QStringLiteral("list:") + (fault.row == AnyListPage ? QStringLiteral("*") : QString::number(fault.row));
        break;
    case FaultTarget::Every:
        row = QStringLiteral("every");
        break;
    }
    row += u'=';
    if (fault.mode == FaultMode::Slow)
        return row + QStringLiteral("slow:") + QString::number(fault.delayMs);
    if (fault.mode == FaultMode::Redirect)
        return row + QStringLiteral("redirect:") + fault.url;
    if (fault.mode == FaultMode::EntryFlood)
        return row + QStringLiteral("flood:") + QString::number(fault.count);
    if (fault.mode == FaultMode::BusyOnce)
        return row + QStringLiteral("busy-once:") + QString::number(fault.count);
    for (const auto &[value, name] : modeNames()) {
        if (value == fault.mode)
            return row + QStringView(name);
    }
    if (fault.mode == FaultMode::ImageSlow)
        return row + QStringLiteral("img-slow:") + QString::number(fault.delayMs);
    for (const auto &[value, name] : imageModeNames()) {
        if (value == fault.mode)
            return row + QStringView(name);
    }
    for (const auto &[value, name] : pageModeNames()) {
        if (value == fault.mode)
            return row + QStringView(name);
    }
    return row;
}

bool isImageFault(FaultMode mode)
{
    if (mode == FaultMode::ImageSlow)
        return true;
    for (const auto &[value, name] : imageModeNames()) {
        if (value == mode)
            return true;
    }
    return false;
}
