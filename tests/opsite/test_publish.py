"""Tests of the operator's publishing tool (tools/publish/publish.py)."""

import datetime
import hashlib
import os
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "publish", "publish.py")
sys.path.insert(0, os.path.dirname(TOOL))

import publish  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_fixture import PE32, PE32_PLUS, pe_with_version, version_block  # noqa: E402

DEMO_KEY = os.path.join(ROOT, "tools", "opsite", "demo-signing-key.private.pem")

DOMAIN = "rvgame.cn"
TODAY = datetime.date(2024, 6, 15)


def exe_with_version(ms, ls, tail=b""):
    return pe_with_version((ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF), tail=tail)


def verify(raw_public, statement, signature_hex):
    """Checks a signature as the launcher does: P-256, SHA-256, r||s."""
    from cryptography.exceptions import InvalidSignature
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import ec, utils
    key = ec.EllipticCurvePublicKey.from_encoded_point(ec.SECP256R1(), b"\x04" + raw_public)
    sig = bytes.fromhex(signature_hex)
    der = utils.encode_dss_signature(int.from_bytes(sig[:32], "big"), int.from_bytes(sig[32:], "big"))
    try:
        key.verify(der, statement.encode("ascii"), ec.ECDSA(hashes.SHA256()))
        return True
    except InvalidSignature:
        return False


def notice(**fields):
    values = dict(id="N1", end="2099-12-31", title="标题", link="http://xcjy.rvgame.cn/",
                  body="正文", picture="http://img.rvgame.cn/a.jpg", count="3")
    values.update(fields)
    return "|".join(values[k] for k in ("id", "end", "title", "link", "body", "picture", "count"))


class PublishBuildTest(unittest.TestCase):
    def test_identity_uses_the_files_own_version(self):
        data = exe_with_version((15 << 16) | 1, (23 << 16) | 3, b"payload")
        self.assertEqual(publish.identity_of(data), hashlib.md5(data).hexdigest()[:23] + "15,1,23,3")
        other = exe_with_version((2 << 16) | 0, (0 << 16) | 1)
        self.assertEqual(publish.identity_of(other), hashlib.md5(other).hexdigest()[:25] + "2,0,0,1")
        # A version signature lying outside a version resource is no version.
        bait = pe_with_version(resource=False, tail=version_block((9, 9, 9, 9)))
        for bad in (b"<html>500</html>", b"MZ no version", bait, pe_with_version()[:0x210]):
            with self.assertRaises(publish.PublishError):
                publish.identity_of(bad)

    def test_version_comes_from_pe32_and_pe32_plus_resources(self):
        for magic in (PE32, PE32_PLUS):
            self.assertEqual(publish.version_text(pe_with_version((2, 0, 0, 1), magic)), "2,0,0,1")

    def test_statement_binds_product_version_size_and_digest(self):
        data = exe_with_version((15 << 16) | 1, (23 << 16) | 4, b"payload")
        self.assertEqual(publish.statement_of(data),
                         "xcjy-build/1;product=XCJY;version=15,1,23,4;size=%d;sha256=%s"
                         % (len(data), hashlib.sha256(data).hexdigest()))
        self.assertIn(";product=Hyxd;", publish.statement_of(data, "Hyxd"))
        for product in ("", "a;b", "a=b", "名"):
            with self.assertRaises(publish.PublishError):
                publish.statement_of(data, product)

    def test_keygen_and_build_sign_what_the_launcher_checks(self):
        data = exe_with_version((15 << 16) | 1, (23 << 16) | 4, b"x" * 5000)
        with tempfile.TemporaryDirectory() as tmp:
            run = subprocess.run([sys.executable, TOOL, "keygen", "--out", tmp, "--name", "op"],
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            private = os.path.join(tmp, "op.private.pem")
            self.assertEqual(os.stat(private).st_mode & 0o777, 0o600)
            with open(os.path.join(tmp, "op.public.bin"), "rb") as f:
                raw = f.read()
            self.assertEqual(raw, publish.raw_public_key(publish.load_private_key(private)))
            with open(os.path.join(tmp, "op.public.h")) as f:
                self.assertIn("0x%02x, 0x%02x" % (raw[0], raw[1]), f.read())
            again = subprocess.run([sys.executable, TOOL, "keygen", "--out", tmp, "--name", "op"],
                                   capture_output=True, text=True)
            self.assertNotEqual(again.returncode, 0, "an existing key is never overwritten")

            exe = os.path.join(tmp, "Hyxd.exe")
            with open(exe, "wb") as f:
                f.write(data)
            out = os.path.join(tmp, "site")
            run = subprocess.run([sys.executable, TOOL, "build", exe, "http://up.rvgame.cn/Hyxd.exe", "--key", private,
                                  "--product", "Hyxd", "--out", out], capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(os.path.join(out, "Hyxd.ini"), encoding="ascii") as f:
                values = dict(line.split("=", 1) for line in f.read().splitlines()[1:])
            self.assertEqual(values["XCJY"], publish.identity_of(data))
            self.assertEqual(values["Statement"], publish.statement_of(data, "Hyxd"))
            self.assertTrue(verify(raw, values["Statement"], values["Signature"]))
            altered = values["Statement"].replace("Hyxd", "XCJY")
            self.assertFalse(verify(raw, altered, values["Signature"]))
            with open(DEMO_KEY.replace(".private.pem", ".public.bin"), "rb") as f:
                self.assertFalse(verify(f.read(), values["Statement"], values["Signature"]), "another key")
class PublishNoticeTest(unittest.TestCase):
    def test_a_good_notice_is_written_in_gbk(self):
        text = notice()
        self.assertEqual(publish.check_notice(text, DOMAIN, TODAY), text.encode("gbk"))
        with tempfile.TemporaryDirectory() as tmp:
            run = subprocess.run([sys.executable, TOOL, "notice", text, "--domain", DOMAIN, "--out", tmp],
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(os.path.join(tmp, "XCJY.txt"), "rb") as f:
                self.assertEqual(f.read().decode("gbk"), text)

    def test_size_limit_counts_gbk_bytes(self):
        base = len(notice(body="").encode("gbk"))
        # Two bytes per Chinese character in GBK: 1023 bytes pass, 1024 do not.
        for size, ok in ((1023, True), (1024, False)):
            pad = size - base
            text = notice(body="字" * (pad // 2) + "a" * (pad % 2))
            self.assertEqual(len(text.encode("gbk")), size)
            if ok:
                self.assertEqual(len(publish.check_notice(text, DOMAIN, TODAY)), size)
            else:
                with self.assertRaisesRegex(publish.PublishError, "bytes in GBK"):
                    publish.check_notice(text, DOMAIN, TODAY)

    def test_refused_notices(self):
        cases = {
            "fields": notice().rsplit("|", 1)[0],
            "YYYY-MM-DD": notice(end="20991231"),
            "has passed": notice(end="2024-06-14"),
            "platform domain": notice(picture="http://img.example.com/a.jpg"),
            "link must be": notice(link="file:///c:/x.exe"),
            "show count": notice(count="many"),
            "not representable": notice(body="\U0001F600"),
        }
        for reason, text in cases.items():
            with self.subTest(reason=reason):
                with self.assertRaisesRegex(publish.PublishError, reason):
                    publish.check_notice(text, DOMAIN, TODAY)
        self.assertTrue(publish.check_notice(notice(end="2024-06-15"), DOMAIN, TODAY))
        self.assertTrue(publish.check_notice(notice(picture="", link=""), DOMAIN, TODAY))


if __name__ == "__main__":
    unittest.main()
