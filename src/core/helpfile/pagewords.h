#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

// The words of a page as the full-text index holds them. A page is read in GBK: a word is a run of
// ASCII letters and digits, folded to lower case, or one double-byte CJK character, kept as its two
// bytes. Tags, comments, scripts and styles hold no words; character entities are decoded first.
//
// Each word gets a location, counted from 0. Two words are adjacent (locations n and n + 1) exactly
// when nothing stands between them, or only white space between two ASCII words; anything else
// between them (punctuation, a tag, white space next to a CJK character) leaves one location out, so
// that a phrase matches only where the text holds it. Words longer than 99 bytes are skipped.
namespace HelpFile {

using WordSink = std::function<void(QByteArrayView word, quint32 location)>;

// The words of an HTML page.
void forEachPageWord(QByteArrayView html, const WordSink &sink);

// The words of a text without markup, such as a title; entities are still decoded.
void forEachTextWord(QByteArrayView text, const WordSink &sink);

// True for the two bytes of a GBK character in one of the CJK ideograph areas.
bool isCjkCharacter(unsigned char lead, unsigned char trail);

} // namespace HelpFile
