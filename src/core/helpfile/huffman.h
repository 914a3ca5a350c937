#pragma once

#include <QtGlobal>
#include <span>
#include <vector>

// Canonical Huffman codes as LZX sends them: lengths from symbol frequencies, limited to a maximum,
// and codes assigned in (length, symbol) order.
namespace HelpFile::Huffman {

// Code lengths for the frequencies, none longer than maxLength. Unused symbols get length 0. The code
// is complete whenever at least one symbol is used: a lone symbol is paired with a neighbour, both of
// length 1, because decoders reject a tree that leaves codes unassigned.
std::vector<quint8> buildLengths(std::span<const quint32> frequencies, int maxLength);

// The canonical code of each symbol, read most significant bit first; 0 for unused symbols.
std::vector<quint16> assignCodes(std::span<const quint8> lengths);

} // namespace HelpFile::Huffman
