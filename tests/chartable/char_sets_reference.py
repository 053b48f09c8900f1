#!/usr/bin/env python3
"""Writes the character sets of code page 932 as Python's own codec and
Unicode database see them, one line per set: its name, then the Unicode
values of its characters in hexadecimal. The table's tests compare their
sets with this file, so the sets are checked against a second, separate
reading of the code page.

The code page holds some characters at two codes; which of the two a codec
encodes to differs between codecs, so the sets are compared by character.
A code counts when it decodes to one character that is not a private-use
character, and a character counts once, at the code it encodes to.
"""
import sys
import unicodedata


def two_byte_set(code, ch):
    if code >> 8 == 0x81:
        return 'Symbols'
    name = unicodedata.name(ch, '')
    if name.startswith(('FULLWIDTH DIGIT', 'FULLWIDTH LATIN')):
        return 'FullAlnum'
    if name.startswith('HIRAGANA'):
        return 'Hiragana'
    if name.startswith('KATAKANA'):
        return 'Katakana'
    if name.startswith(('GREEK', 'CYRILLIC')):
        return 'GreekCyrillic'
    if name.startswith(('CJK UNIFIED IDEOGRAPH', 'CJK COMPATIBILITY IDEOGRAPH')):
        if 0x889F <= code <= 0x9872:
            return 'Kanji1'
        if 0x989F <= code <= 0xEAA4:
            return 'Kanji2'
        return None
    return 'Symbols'


def character(raw):
    try:
        ch = raw.decode('cp932')
    except UnicodeDecodeError:
        return None
    if len(ch) != 1 or ch.encode('cp932') != raw or unicodedata.category(ch) == 'Co':
        return None
    return ch


def main(out_path):
    sets = {name: [] for name in ('Ascii', 'HalfKana', 'Symbols', 'FullAlnum', 'Hiragana', 'Katakana',
                                  'GreekCyrillic', 'Kanji1', 'Kanji2', 'All')}
    for code in list(range(0x20, 0x7F)) + list(range(0xA1, 0xE0)):
        if character(bytes([code])) is not None:
            ch = bytes([code]).decode('cp932')
            sets['Ascii' if code < 0x80 else 'HalfKana'].append(ord(ch))
            sets['All'].append(ord(ch))
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in range(0x40, 0xFD):
            ch = character(bytes([lead, trail]))
            if ch is None:
                continue
            code = lead << 8 | trail
            name = two_byte_set(code, ch)
            if name:
                sets[name].append(ord(ch))
            sets['All'].append(ord(ch))
    with open(out_path, 'w') as f:
        for name, codes in sets.items():
            f.write(name + ' ' + ' '.join('%X' % c for c in codes) + '\n')


if __name__ == '__main__':
    main(sys.argv[1])
