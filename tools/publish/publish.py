#!/usr/bin/env python3
"""Publishing tool of the operator: prepares what the launcher reads from the
game site.

  publish.py keygen [--out DIR] [--name NAME]
      makes the operator's signing key pair: DIR/NAME.private.pem (readable by
      its owner only), DIR/NAME.public.bin (the 64-byte raw public key X||Y,
      what the launcher's build setting XCJY_SIGNING_PUBLIC_KEY names) and
      DIR/NAME.public.h (the same as a C++ array).
  publish.py build EXE URL --key PRIVATE.pem [--product NAME] [--out DIR]
      prints the build identity of EXE and writes DIR/ConfigXcjy.htm naming
      URL (the address the build will be served from) as its UpdAddr, with a
      signed statement of the build. With --product other than XCJY (a game
      client) the file is DIR/NAME.ini.
  publish.py notice TEXT --domain DOMAIN [--out DIR]
      checks TEXT as the launcher will read it and writes DIR/XCJY.txt in GBK.

The identity is formed as the launcher forms a downloaded build's: the MD5 of
the file as 32 lower-case hex digits, cut so that the file's own version text
(from its version resource, "15,1,23,3" for the current build) fills its last
characters. Launchers of every age read it.

The statement binds what a build is, and its signature says who published it:

  xcjy-build/1;product=XCJY;version=15,1,23,3;size=N;sha256=HEX

signed with ECDSA P-256 over SHA-256, published as the two values Statement
and Signature (r||s, 128 hex digits) beside XCJY and UpdAddr, which older
launchers do not read. Signing needs the cryptography module (Debian's
python3-cryptography); everything else is the standard library. Importable
(see identity_of, statement_of, sign_statement, config_text, check_notice).
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

LAUNCHER_PRODUCT = "XCJY"
STATEMENT_FORMAT = "xcjy-build/1"

_FIXED_SIGNATURE = 0xFEEF04BD
_RT_VERSION = 16
_RESOURCE_DIRECTORY = 2


class PublishError(ValueError):
    pass


def _unpack(fmt, data, at):
    if at < 0 or at + struct.calcsize(fmt) > len(data):
        raise PublishError("truncated executable")
    return struct.unpack_from(fmt, data, at)


def _sections(data):
    """(section table, resource directory RVA) of a PE32 or PE32+ image."""
    if data[:2] != b"MZ":
        raise PublishError("no MZ header")
    (pe,) = _unpack("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise PublishError("no PE header")
    _, count, _, _, _, optional_size, _ = _unpack("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    (magic,) = _unpack("<H", data, optional)
    if magic == 0x10B:
        directories = optional + 96
    elif magic == 0x20B:
        directories = optional + 112
    else:
        raise PublishError("unknown optional header")
    (directory_count,) = _unpack("<I", data, directories - 4)
    if directory_count <= _RESOURCE_DIRECTORY or directories + 8 * (_RESOURCE_DIRECTORY + 1) > optional + optional_size:
        raise PublishError("no resource directory")
    resource_rva, _ = _unpack("<II", data, directories + 8 * _RESOURCE_DIRECTORY)
    table = optional + optional_size
    sections = []
    for i in range(count):
        virtual_size, rva, raw_size, raw_at = _unpack("<IIII", data, table + 40 * i + 8)
        sections.append((rva, max(virtual_size, raw_size), raw_at, raw_size))
    return sections, resource_rva


def _file_offset(sections, rva, size):
    for start, span, raw_at, raw_size in sections:
        if start <= rva and rva + size <= start + min(span, raw_size):
            return raw_at + (rva - start)
    raise PublishError("address outside the file")


def _first_entry(data, directory, want_id=None):
    """The first entry (or the one with want_id) of a resource directory:
    (is_directory, offset from the resource section start)."""
    _, _, _, _, named, ids = _unpack("<IIHHHH", data, directory)
    for i in range(named + ids):
        name, target = _unpack("<II", data, directory + 16 + 8 * i)
        if want_id is not None and (name & 0x80000000 or name != want_id):
            continue
        return bool(target & 0x80000000), target & 0x7FFFFFFF
    raise PublishError("no version resource")


def version_numbers(exe_bytes):
    """The four numbers of the fixed file version in the version resource of
    a PE32 or PE32+ image, found by walking its headers and resource tree."""
    data = exe_bytes
    sections, resource_rva = _sections(data)
    if resource_rva == 0:
        raise PublishError("no version resource")
    root = _file_offset(sections, resource_rva, 16)
    offset = root
    for want in (_RT_VERSION, None, None):
        is_directory, at = _first_entry(data, offset, want)
        offset = root + at
        if not is_directory:
            break
    else:
        raise PublishError("resource tree too deep")
    data_rva, data_size, _, _ = _unpack("<IIII", data, offset)
    info = _file_offset(sections, data_rva, data_size)
    block = data[info:info + data_size]
    length, value_length, _ = _unpack("<HHH", block, 0)
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    if block[6:6 + len(key)] != key or value_length < 52 or length > len(block):
        raise PublishError("malformed version resource")
    fixed = (6 + len(key) + 3) & ~3
    signature, _, ms, ls = _unpack("<IIII", block, fixed)
    if signature != _FIXED_SIGNATURE:
        raise PublishError("malformed version resource")
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def version_text(exe_bytes):
    """"a,b,c,d" from the fixed file version of the version resource, or None."""
    try:
        return "%d,%d,%d,%d" % version_numbers(exe_bytes)
    except PublishError:
        return None


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


def statement_of(exe_bytes, product=LAUNCHER_PRODUCT):
    """The statement the operator signs for this build."""
    if not product or any(c in product for c in ";=\r\n") or not product.isascii():
        raise PublishError("product must be ASCII without ; = or line breaks")
    version = version_text(exe_bytes)
    if version is None:
        raise PublishError("not a launcher build: no version resource")
    return "%s;product=%s;version=%s;size=%d;sha256=%s" % (
        STATEMENT_FORMAT, product, version, len(exe_bytes), hashlib.sha256(exe_bytes).hexdigest())


def _crypto():
    try:
        from cryptography.hazmat.primitives import hashes, serialization
        from cryptography.hazmat.primitives.asymmetric import ec, utils
    except ImportError:
        raise PublishError("signing needs the cryptography module (Debian: python3-cryptography)")
    return hashes, serialization, ec, utils


def load_private_key(path):
    _, serialization, ec, _ = _crypto()
    with open(path, "rb") as f:
        key = serialization.load_pem_private_key(f.read(), password=None)
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        raise PublishError("%s is no P-256 private key" % path)
    return key


def raw_public_key(private_key):
    """The public key as the 64 bytes X||Y the launcher compiles in."""
    numbers = private_key.public_key().public_numbers()
    return numbers.x.to_bytes(32, "big") + numbers.y.to_bytes(32, "big")


def sign_statement(statement, private_key):
    """r||s as 128 lower-case hex digits."""
    hashes, _, ec, utils = _crypto()
    der = private_key.sign(statement.encode("ascii"), ec.ECDSA(hashes.SHA256()))
    r, s = utils.decode_dss_signature(der)
    return (r.to_bytes(32, "big") + s.to_bytes(32, "big")).hex()


def public_key_header(raw):
    lines = ["// The operator's public signing key (P-256, X then Y), made by publish.py keygen.",
             "#pragma once", "", "#include <cstdint>", "",
             "inline constexpr uint8_t kOperatorPublicKey[64] = {"]
    for i in range(0, 64, 16):
        lines.append("    " + ", ".join("0x%02x" % b for b in raw[i:i + 16]) + ",")
    lines.append("};")
    return "\n".join(lines) + "\n"


def keygen(out_dir, name):
    _, serialization, ec, _ = _crypto()
    os.makedirs(out_dir, exist_ok=True)
    private_path = os.path.join(out_dir, name + ".private.pem")
    key = ec.generate_private_key(ec.SECP256R1())
    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                            serialization.NoEncryption())
    # Created with owner-only rights, never widened afterwards; an existing
    # key is not overwritten.
    fd = os.open(private_path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    with os.fdopen(fd, "wb") as f:
        f.write(pem)
    raw = raw_public_key(key)
    write_file(out_dir, name + ".public.bin", raw)
    write_file(out_dir, name + ".public.h", public_key_header(raw).encode("ascii"))
    return private_path


def config_text(identity, url, statement=None, signature=None):
    # CRLF lines: the launcher reads the file with the Windows INI reader.
    text = "[VerKey]\r\nXCJY=%s\r\nUpdAddr=%s\r\n" % (identity, url)
    if statement is not None:
        text += "Statement=%s\r\nSignature=%s\r\n" % (statement, signature)
    return text


def signed_config_text(exe_bytes, url, private_key, product=LAUNCHER_PRODUCT):
    statement = statement_of(exe_bytes, product)
    return config_text(identity_of(exe_bytes), url, statement, sign_statement(statement, private_key))


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
    k = sub.add_parser("keygen", help="make the operator's signing key pair")
    k.add_argument("--out", default=".")
    k.add_argument("--name", default="operator-key")
    b = sub.add_parser("build", help="identity, signature and ConfigXcjy.htm of a built launcher or game client")
    b.add_argument("exe")
    b.add_argument("url", help="where the build will be served, http://host[:port]/path")
    b.add_argument("--key", required=True, help="the operator's private key (keygen)")
    b.add_argument("--product", default=LAUNCHER_PRODUCT, help="XCJY for the launcher, else the game's name")
    b.add_argument("--out", default=".")
    n = sub.add_parser("notice", help="check a notice and write XCJY.txt")
    n.add_argument("text")
    n.add_argument("--domain", required=True, help="the platform's domain text")
    n.add_argument("--out", default=".")
    args = ap.parse_args(argv)
    try:
        if args.command == "keygen":
            print(keygen(args.out, args.name))
        elif args.command == "build":
            if not args.url.lower().startswith("http://"):
                raise PublishError("the address must begin with http://")
            with open(args.exe, "rb") as f:
                data = f.read()
            text = signed_config_text(data, args.url, load_private_key(args.key), args.product)
            name = CONFIG_NAME if args.product == LAUNCHER_PRODUCT else args.product + ".ini"
            write_file(args.out, name, text.encode("ascii"))
            print(identity_of(data))
        else:
            write_file(args.out, NOTICE_NAME, check_notice(args.text, args.domain))
    except (ValueError, OSError) as e:
        print("publish: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
