#!/usr/bin/env python3
"""Publishing tool of the operator: prepares what the launcher reads from the
game site.

  publish.py build EXE URL [--out DIR]
      prints the build identity of EXE and writes DIR/ConfigXcjy.htm naming
      URL (the address the build will be served from) as its UpdAddr.
  publish.py notice TEXT --domain DOMAIN [--out DIR]
      checks TEXT as the launcher will read it and writes DIR/XCJY.txt in GBK.

The identity is formed as the launcher forms a downloaded build's: the MD5 of
the file as 32 lower-case hex digits, cut so that the file's own version text
(from its version resource, "15,1,23,3" for the current build) fills its last
characters. Python 3 standard library only; importable (see identity_of,
config_text, check_notice, notice_bytes).
"""

import argparse
import datetime
import hashlib
import os
import struct
import sys

CONFIG_NAME = "ConfigXcjy.htm"
NOTICE_NAME = "XCJY.txt"
# The launcher reads the notice in the system ANSI code page of the players'
# systems (zh_CN: GBK) and refuses 1024 bytes or more.
NOTICE_ENCODING = "gbk"
NOTICE_LIMIT = 1024
NOTICE_FIELDS = 7

# VS_FIXEDFILEINFO starts with this signature.
_FIXED_SIGNATURE = struct.pack("<I", 0xFEEF04BD)


class PublishError(ValueError):
    pass


def version_text(exe_bytes):
    """"a,b,c,d" from the fixed file version of the version resource, or None."""
    if exe_bytes[:2] != b"MZ":
        return None
    at = exe_bytes.find(_FIXED_SIGNATURE)
    if at < 0 or at + 16 > len(exe_bytes):
        return None
    ms, ls = struct.unpack_from("<II", exe_bytes, at + 8)
    return "%d,%d,%d,%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def identity_from(exe_bytes, version):
    digest = hashlib.md5(exe_bytes).hexdigest()
    tail = version.replace(".", "")
    return digest[:max(0, len(digest) - len(tail))] + tail


def identity_of(exe_bytes):
    """The identity the launcher will accept for this build."""
    version = version_text(exe_bytes)
    if version is None:
        raise PublishError("not a launcher build: no version resource")
    return identity_from(exe_bytes, version)


def config_text(identity, url):
    # CRLF lines: the launcher reads the file with the Windows INI reader.
    return "[VerKey]\r\nXCJY=%s\r\nUpdAddr=%s\r\n" % (identity, url)


def check_notice(text, domain, today=None):
    """The notice text encoded as the launcher receives it; PublishError with
    every reason the launcher would not show it."""
    problems = []
    try:
        data = text.encode(NOTICE_ENCODING)
    except UnicodeEncodeError as e:
        raise PublishError("not representable in GBK: %r" % text[e.start:e.end])
    if len(data) >= NOTICE_LIMIT:
        problems.append("%d bytes in GBK; the launcher takes at most %d" % (len(data), NOTICE_LIMIT - 1))
    fields = text.split("|", NOTICE_FIELDS - 1)
    if len(fields) != NOTICE_FIELDS:
        problems.append("%d fields; a notice has %d separated by |" % (len(fields), NOTICE_FIELDS))
    else:
        _, end, title, link, content, picture, count = fields
        date = end.split(" ", 1)[0]
        try:
            end_day = datetime.datetime.strptime(date, "%Y-%m-%d").date()
            if len(date) != 10:
                raise ValueError
            if end_day < (today or datetime.date.today()):
                problems.append("end date %s has passed" % date)
        except ValueError:
            problems.append("end date %r is not YYYY-MM-DD" % end)
        if picture and domain not in picture:
            problems.append("picture address does not contain the platform domain %r" % domain)
        if picture and not picture.lower().startswith("http://"):
            problems.append("picture address must begin with http://")
        if link and not link.lower().startswith(("http://", "https://")):
            problems.append("link must be an http:// or https:// address")
        if not count.strip().lstrip("+-").isdigit():
            problems.append("show count %r is not a number" % count)
        for name, value, capacity in (("title", title, 63), ("link", link, 511), ("body", content, 511),
                                      ("picture", picture, 511)):
            if len(value) > capacity:
                problems.append("%s has %d characters; the launcher keeps %d" % (name, len(value), capacity))
    if problems:
        raise PublishError("; ".join(problems))
    return data


def write_file(out_dir, name, data):
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="command", required=True)
    b = sub.add_parser("build", help="identity and ConfigXcjy.htm of a built launcher")
    b.add_argument("exe")
    b.add_argument("url", help="where the build will be served, http://host[:port]/path")
    b.add_argument("--out", default=".")
    n = sub.add_parser("notice", help="check a notice and write XCJY.txt")
    n.add_argument("text")
    n.add_argument("--domain", required=True, help="the platform's domain text")
    n.add_argument("--out", default=".")
    args = ap.parse_args(argv)
    try:
        if args.command == "build":
            if not args.url.lower().startswith("http://"):
                raise PublishError("the address must begin with http://")
            with open(args.exe, "rb") as f:
                identity = identity_of(f.read())
            write_file(args.out, CONFIG_NAME, config_text(identity, args.url).encode("ascii"))
            print(identity)
        else:
            write_file(args.out, NOTICE_NAME, check_notice(args.text, args.domain))
    except (PublishError, OSError) as e:
        print("publish: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
