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

DOMAIN = "rvgame.cn"
TODAY = datetime.date(2024, 6, 15)


def exe_with_version(ms, ls, tail=b""):
    return b"MZ" + b"\0" * 60 + struct.pack("<IIII", 0xFEEF04BD, 0x00010000, ms, ls) + tail


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
        for bad in (b"<html>500</html>", b"MZ no version"):
            with self.assertRaises(publish.PublishError):
                publish.identity_of(bad)

    def test_command_prints_identity_and_writes_the_config(self):
        data = exe_with_version((15 << 16) | 1, (23 << 16) | 3, b"x" * 5000)
        with tempfile.TemporaryDirectory() as tmp:
            exe = os.path.join(tmp, "RV.exe")
            with open(exe, "wb") as f:
                f.write(data)
            out = os.path.join(tmp, "site")
            run = subprocess.run([sys.executable, TOOL, "build", exe, "http://up.rvgame.cn/XCJY.exe", "--out", out],
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            identity = hashlib.md5(data).hexdigest()[:23] + "15,1,23,3"
            self.assertEqual(run.stdout.strip(), identity)
            with open(os.path.join(out, "ConfigXcjy.htm"), "rb") as f:
                self.assertEqual(f.read(), ("[VerKey]\r\nXCJY=%s\r\nUpdAddr=http://up.rvgame.cn/XCJY.exe\r\n"
                                            % identity).encode())
            bad = subprocess.run([sys.executable, TOOL, "build", exe, "ftp://x/y", "--out", out],
                                 capture_output=True, text=True)
            self.assertNotEqual(bad.returncode, 0)


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
