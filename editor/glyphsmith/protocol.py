"""Values and arguments of the automation protocol, and the dispatch errors
the editor raises: each error is made in one function here, so its code and
its wording live in one place."""

import errno

ERR_BAD_CHAR_CODE = 2006
ERR_NO_GLYPH = 2007
ERR_BITMAP = 2008
ERR_NO_FILE = 2010
ERR_SAVE = 2011
ERR_BAD_VALUE = 2012
ERR_FONT_REFUSED = 2013
ERR_FONT_HELD = 2014
ERR_NOT_DURABLE = 2015


class DispatchError(Exception):
    """A call the editor understood and refused (a dispatch exception)."""

    def __init__(self, code, description):
        super().__init__(description)
        self.code = code
        self.description = description


class Failure(Exception):
    """A call the editor cannot even take: unknown member, wrong arguments."""


# -- values -------------------------------------------------------------------

LIMITS = {"short": (-32768, 32767), "long": (-2147483648, 2147483647)}


def value(kind, v=None):
    return {"type": kind} if kind == "empty" else {"type": kind, "value": v}


EMPTY = value("empty")


def arg(args, index, kind):
    """The argument at index, which must be of the given type."""
    if index >= len(args) or not isinstance(args[index], dict):
        raise Failure("argument %d missing" % (index + 1))
    given = args[index]
    if given.get("type") != kind:
        raise Failure("argument %d: type mismatch, %s expected" % (index + 1, kind))
    v = given.get("value")
    if kind == "bool":
        if not isinstance(v, bool):
            raise Failure("argument %d: not a bool" % (index + 1))
    elif kind in LIMITS:
        low, high = LIMITS[kind]
        if isinstance(v, bool) or not isinstance(v, int) or not low <= v <= high:
            raise Failure("argument %d: not a %s" % (index + 1, kind))
    elif kind == "string":
        if not isinstance(v, str):
            raise Failure("argument %d: not a string" % (index + 1))
        if not is_text(v):
            raise Failure("argument %d: not valid text" % (index + 1))
    return v


def is_text(text):
    """False for strings that cannot be written as UTF-8 (lone surrogates)."""
    try:
        text.encode("utf-8")
    except UnicodeEncodeError:
        return False
    return True


# -- the dispatch errors ------------------------------------------------------

def bad_char_code(code, char=None):
    shown = char if char else "0x%X" % (code & 0xFFFFFFFF)
    return DispatchError(ERR_BAD_CHAR_CODE, "文字コード %s は使えません。" % shown)


def no_glyph():
    return DispatchError(ERR_NO_GLYPH, "グリフが選択されていません。")


def no_font():
    return DispatchError(ERR_NO_GLYPH, "フォントが開かれていません。")


def bitmap_missing(path):
    return DispatchError(ERR_BITMAP, "ビットマップ %s が見つかりません。" % path)


def bitmap_unreadable(reason):
    return DispatchError(ERR_BITMAP, "ビットマップを読めません: %s" % reason)


def bitmap_too_slow():
    return DispatchError(ERR_BITMAP, "ビットマップの変換が終わりません。")


def no_file():
    return DispatchError(ERR_NO_FILE, "フォントにはまだファイルがありません。")


def no_save_path():
    return DispatchError(ERR_SAVE, "保存先のファイル名がありません。")


def save_failed(path, reason):
    return DispatchError(ERR_SAVE, "フォント %s を保存できませんでした。\n原因：%s" % (path, reason))


def bad_value(message):
    return DispatchError(ERR_BAD_VALUE, message)


def font_refused(path, reason):
    return DispatchError(ERR_FONT_REFUSED, reason % path)


def font_held(path):
    return DispatchError(ERR_FONT_HELD,
                         "このフォントは他のQuilleryで開かれています。\n%s\n"
                         "そちらで閉じてからもう一度試すか、別のファイルを選んでください。" % path)


def not_durable(cause):
    return DispatchError(ERR_NOT_DURABLE,
                         "変更を記録できなかったため、この変更は取り込んでいません。\n原因：%s\n"
                         "空き容量や書き込み権限を確かめてから、もう一度実行してください。" % cause)


# Reasons for 2013; "%s" is the file.
REFUSED_COLLECTION = "%s はフォントコレクション (.ttc) のため書き込めません。"
REFUSED_CFF = "フォント %s は CFF 形式のため書き込めません。"
REFUSED_VARIABLE = "%s は可変フォントのため書き込めません。"
REFUSED_DAMAGED = "フォントファイル %s は壊れているか TrueType フォントではありません。"
REFUSED_NOT_FILE = "%s は通常のファイルではないため開けません。"
REFUSED_TOO_LARGE = "フォントファイル %s は大きすぎて開けません。"
REFUSED_UNREADABLE = "フォントファイル %s を読めません（%s）。"


def unreadable(path, error):
    return DispatchError(ERR_FONT_REFUSED, REFUSED_UNREADABLE % (path, file_error_text(error)))


def file_error_text(error):
    """A short Japanese text for the reason of a failed file operation."""
    code = getattr(error, "errno", None)
    texts = {
        errno.ENOENT: "ファイルがありません", errno.EACCES: "権限がありません", errno.EPERM: "権限がありません",
        errno.EROFS: "読み取り専用の場所です", errno.ENOSPC: "ディスクの空き容量が足りません",
        errno.EDQUOT: "ディスクの割り当て容量を超えています", errno.EFBIG: "ファイルが大きすぎます",
        errno.EIO: "入出力エラーです", errno.ENAMETOOLONG: "ファイル名が長すぎます",
        errno.EISDIR: "フォルダです", errno.ELOOP: "シンボリックリンクをたどれません",
    }
    if code in texts:
        return texts[code]
    if code:
        return "エラー %s" % errno.errorcode.get(code, str(code))
    return str(error) or "不明なエラー"
