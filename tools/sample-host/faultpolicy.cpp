#include "faultpolicy.h"

#include "hostilebodies.h"

FaultPolicy::FaultPolicy(const QList<Fault> &faults)
    : m_faults(faults)
{}

FaultPolicy::PageFaults FaultPolicy::pageFaults(FaultTarget target, int row) const
{
    PageFaults result;
    for (const Fault &fault : m_faults) {
        const bool applies =
            fault.target == FaultTarget::Every ||
            (fault.target == target && (target == FaultTarget::BlogPage || fault.row == row ||
                                        (target == FaultTarget::ListPage && fault.row == AnyListPage)));
        if (!applies || isImageFault(fault.mode))
            continue;
        if (fault.mode == FaultMode::Slow)
            result.delayMs += fault.delayMs;
        else
            result.fault = fault;
    }
    return result;
}

std::optional<FaultMode> FaultPolicy::articleMode(const QString &blogName, int row, const PageFaults &faults)
{
    if (!faults.fault)
        return std::nullopt;
    const FaultMode mode = faults.fault->mode;
    if (mode != FaultMode::BrokenOnce && mode != FaultMode::BusyOnce)
        return mode;
    const QString key = blogName + u'\n' + QString::number(row);
    if (m_brokenServed.contains(key))
        return std::nullopt;
    m_brokenServed.insert(key);
    return mode;
}

FaultPolicy::PictureFaults FaultPolicy::pictureFaults(int row) const
{
    PictureFaults result;
    for (const Fault &fault : m_faults) {
        if (fault.row != row || !isImageFault(fault.mode))
            continue;
        result.forced = true;
        result.hostile = result.hostile || fault.mode == FaultMode::ImageHostile;
        if (fault.mode == FaultMode::ImageSlow)
            result.delayMs += fault.delayMs;
        else
            result.mode = fault.mode;
    }
    return result;
}

void FaultPolicy::applyPageFault(const Fault &fault, HttpResponse &response)
{
    switch (fault.mode) {
    case FaultMode::Never:
        response.action = HttpResponse::Action::Never;
        break;
    case FaultMode::Reset:
        response.action = HttpResponse::Action::Reset;
        break;
    case FaultMode::Http500:
        response.status = 500;
        break;
    case FaultMode::Http503:
        response.status = 503;
        break;
    case FaultMode::BusyOnce:
        response.status = 429;
        response.extraHead = "Retry-After: " + QByteArray::number(fault.count) + "\r\n";
        break;
    case FaultMode::EmptyBody:
        response.body.clear();
        break;
    case FaultMode::Endless:
        response.action = HttpResponse::Action::Endless;
        break;
    case FaultMode::GzipBomb:
        response.body = HostileBodies::gzipBomb();
        response.gzip = true;
        break;
    case FaultMode::Drip:
        response.action = HttpResponse::Action::Drip;
        break;
    case FaultMode::Redirect:
        response.status = 302;
        response.location = fault.url.toUtf8();
        break;
    default:
        break;
    }
}
