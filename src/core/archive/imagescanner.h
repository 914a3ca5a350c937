#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace Archive {

// One picture reference of a saved article: where the attribute value lies in the file's bytes
// and the remote address it names.
struct ImageReference
{
    qsizetype begin = 0; // first byte of the value (inside its quotes, if any)
    qsizetype end = 0;   // one past its last byte
    QByteArray address;  // the value trimmed, "&amp;" decoded
};

// The src of every <img> and the background attribute of every tag whose value is an http or
// https address, in file order. The article is GBK bytes; markup characters never occur inside a
// GBK character, so the scan works on bytes and the offsets can be used to rewrite the file
// without decoding it. Comments are skipped.
QList<ImageReference> findImageReferences(QByteArrayView html);

// True for "http://…" and "https://…" (any case), the only addresses the image pass fetches.
bool isRemoteImageAddress(QByteArrayView address);

} // namespace Archive
