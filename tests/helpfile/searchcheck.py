#!/usr/bin/python3
"""Checks the full-text index of a compiled help file against the text of its pages.

usage: searchcheck.py FILE.chm TITLES.json ABSENT-WORD...

chmlib's own search (the binding's C function; chm/extra.py lacks an import) must find, for several
Chinese characters and ASCII words, exactly the pages whose text holds them, each under its title
(TITLES.json maps the contents' names to the titles the pages should carry); ASCII prefixes must
find every page holding a word that starts so; the ABSENT words, written only where no text is
(attributes, scripts, styles, comments), must not be found. A phrase check reads the index itself:
the pages where a phrase's characters have adjacent locations are exactly the pages holding it.
Prints what differs and exits 1.
"""

import html
import json
import re
import struct
import sys

import chm._chmlib as _chmlib
import chm.chmlib as chmlib

CJK = re.compile('[\u4e00-\u9fa5]')
failures = []


def fail(message):
    failures.append(message)
    print('FAIL', message)


def read(f, path):
    status, ui = chmlib.chm_resolve_object(f, path)
    if status != 0:
        return None
    size, data = chmlib.chm_retrieve_object(f, ui, 0, ui.length)
    return data


def page_text(data):
    text = data.decode('gbk', errors='replace')
    text = re.sub(r'<!--.*?-->', ' ', text, flags=re.S)
    text = re.sub(r'<(script|style)\b.*?</\1\s*>', ' ', text, flags=re.S | re.I)
    text = re.sub(r'<[a-zA-Z/!?][^>]*>', ' ', text)
    return html.unescape(text)


def stored_pages(f):
    names = []
    chmlib.chm_enumerate(f, 1, lambda f_, ui, ctx: names.append(ui.path) or 1, None)
    return {n.decode()[1:]: page_text(read(f, n)) for n in names if re.search(rb'\.html?$', n, re.I)}


def contents_names(f):
    """Stored page -> the Name its contents entry gives (the entry path, as the project writes it)."""
    hhc = read(f, b'/nolv.hhc').decode('gbk')
    pairs = re.findall(r'name="Name" value="([^"]*)">\s*<param name="Local" value="([^"]*)"', hhc, re.I)
    return {local: html.unescape(name) for name, local in pairs}


def search(f, word, whole):
    results = {}
    _chmlib.search(f, word.encode('gbk'), 1 if whole else 0, 0,
                   lambda topic, url: results.__setitem__(topic.decode('gbk'), url.decode()))
    return results


def check_search(f, pages, titles, word, whole=True):
    if whole:
        expected = {p for p, t in pages.items() if (word in t if CJK.match(word) else
                                                       word in re.findall('[a-z0-9]+', t.lower()))}
    else:
        expected = {p for p, t in pages.items() if any(w.startswith(word) for w in re.findall('[a-z0-9]+', t.lower()))}
    got = search(f, word, whole)
    # Results are keyed by title, so pages sharing a title come back as one.
    by_title = {}
    for p in expected:
        by_title.setdefault(titles[p], set()).add(p)
    if set(got) != set(by_title) or any(page not in by_title[title] for title, page in got.items()):
        fail('%s %r: found %s, expected %s' % ('word' if whole else 'prefix', word, sorted(got.items()),
                                               sorted(by_title.items())))
    return len(expected)


def scale_root(data, pos, root):
    count = 0
    while data[pos >> 3] & (0x80 >> (pos & 7)):
        count += 1
        pos += 1
    pos += 1
    bits = root + max(count - 1, 0)
    value = 0
    for _ in range(bits):
        value = (value << 1) | (1 if data[pos >> 3] & (0x80 >> (pos & 7)) else 0)
        pos += 1
    return (value | (1 << bits) if count else value), pos


def encint(data, at):
    value = shift = 0
    while True:
        b = data[at]
        at += 1
        value |= (b & 0x7F) << shift
        shift += 7
        if not b & 0x80:
            return value, at


def body_locations(f):
    """word bytes -> {topic: [locations]} for the body entries of $FIftiMain."""
    fts = read(f, b'/$FIftiMain')
    roots = fts[0x1F], fts[0x21], fts[0x23]
    node = struct.unpack_from('<I', fts, 0x14)[0]
    for _ in range(struct.unpack_from('<H', fts, 0x18)[0] - 1):
        word_len = fts[node + 2]
        node = struct.unpack_from('<I', fts, node + 2 + 2 + word_len - 1)[0]
    words = {}
    while True:
        free = struct.unpack_from('<H', fts, node + 6)[0]
        at, word = node + 8, b''
        while at < node + 4096 - free:
            length, shared = fts[at], fts[at + 1]
            word = word[:shared] + fts[at + 2:at + 1 + length]
            at += 1 + length
            title = fts[at]
            topics, at = encint(fts, at + 1)
            offset = struct.unpack_from('<I', fts, at)[0]
            _, at = encint(fts, at + 6)
            if not title:
                words[word] = hits(fts, offset, topics, roots)
        node = struct.unpack_from('<I', fts, node)[0]
        if not node:
            return words


def hits(fts, offset, topics, roots):
    pos, topic, out = offset * 8, 0, {}
    for _ in range(topics):
        pos = (pos + 7) & ~7
        delta, pos = scale_root(fts, pos, roots[0])
        topic += delta
        count, pos = scale_root(fts, pos, roots[1])
        location, out[topic] = 0, []
        for _ in range(count):
            delta, pos = scale_root(fts, pos, roots[2])
            location += delta
            out[topic].append(location)
    return out


def topic_pages(f):
    """The stored page and the title of each topic, in topic order."""
    topics, urltbl, urlstr = read(f, b'/#TOPICS'), read(f, b'/#URLTBL'), read(f, b'/#URLSTR')
    strings = read(f, b'/#STRINGS')
    pages = []
    for t in range(len(topics) // 16):
        title, url_offset = struct.unpack_from('<II', topics, t * 16 + 4)
        string = struct.unpack_from('<I', urltbl, url_offset + 8)[0]
        title = '' if title == 0xFFFFFFFF else strings[title:strings.index(b'\0', title)].decode('gbk')
        pages.append((urlstr[string + 8:urlstr.index(b'\0', string + 8)].decode(), title))
    return pages


def check_phrase(f, pages, locations, topics, phrase):
    lists = [locations.get(c.encode('gbk'), {}) for c in phrase]
    adjacent = {topics[t][0] for t, first in lists[0].items()
                if any(all(l + k in lists[k].get(t, ()) for k in range(1, len(phrase))) for l in first)}
    expected = {p for p, t in pages.items() if phrase in t}
    if adjacent != expected:
        fail('phrase %r: adjacent in %s, held by %s' % (phrase, sorted(adjacent), sorted(expected)))


def telling_phrases(pages, length):
    """Phrases held by some pages whose characters all stand in more pages than the phrase."""
    counts = {}
    for text in pages.values():
        for run in re.findall('[\u4e00-\u9fa5]{%d,}' % length, text):
            for i in range(len(run) - length + 1):
                counts[run[i:i + length]] = 0
    scored = []
    for phrase in counts:
        held = sum(phrase in t for t in pages.values())
        spread = sum(all(c in t for c in phrase) for t in pages.values())
        scored.append((spread - held > 0, held, phrase))
    return [p for _, _, p in sorted(scored, reverse=True)[:2]] + straddling(pages, length)


def straddling(pages, length):
    """Phrases whose characters stand in a page in order with only non-CJK text (punctuation, blanks,
    tags) between them, where the page does not hold the phrase itself."""
    found = set()
    for text in pages.values():
        joined = re.sub('[^\u4e00-\u9fa5]', '', text)
        for i in range(len(joined) - length + 1):
            if joined[i:i + length] not in text:
                found.add(joined[i:i + length])
    return sorted(found)[:3]


def main():
    f = chmlib.chm_open(sys.argv[1])
    given = json.load(open(sys.argv[2], encoding='utf-8'))
    topics = topic_pages(f)
    titles = dict(topics)
    for local, name in contents_names(f).items():
        if name in given and titles.get(local) != given[name]:
            fail('%s carries the title %r, expected %r' % (local, titles.get(local), given[name]))
    pages = stored_pages(f)
    texts = ' '.join(pages.values())
    chinese = sorted(set(CJK.findall(texts)), key=lambda c: -sum(c in t for t in pages.values()))
    ascii_words = sorted(set(re.findall('[a-z][a-z0-9]*', texts.lower())), key=lambda w: (-len(w), w))
    checked = 0
    for word in chinese[:3] + chinese[-3:] + ascii_words[:4]:
        checked += check_search(f, pages, titles, word) > 0
    for prefix in {w[:3] for w in ascii_words[:4]}:
        check_search(f, pages, titles, prefix, whole=False)
    for word in sys.argv[3:]:
        if search(f, word, True):
            fail('%r is found, but it stands in no text' % word)
    if checked < 6:
        fail('only %d of the words checked are in any page' % checked)
    locations = body_locations(f)
    for length in (2, 3):
        for phrase in telling_phrases(pages, length):
            check_phrase(f, pages, locations, topics, phrase)
    chmlib.chm_close(f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
