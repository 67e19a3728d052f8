"""Tests of the local operator site (tools/opsite/opsite.py).

Run: python3 -m unittest discover -s tests/opsite
"""

import configparser
import datetime
import hashlib
import http.client
import json
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
from urllib.parse import quote, urlsplit

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TOOL_DIR = os.path.join(ROOT, "tools", "opsite")
sys.path.insert(0, TOOL_DIR)

import opsite  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_fixture import pe_with_version  # noqa: E402

UPDATE_EXE = b"MZ" + bytes(range(256)) * 8      # 2050 bytes, every byte value
GAME_EXE = b"MZ another game " * 40


def identity(data):
    # Written out independently of the site: 23 hex digits of the MD5, then
    # the version text, 32 characters in all.
    return hashlib.md5(data).hexdigest()[:23] + "15,1,23,3"


class Reply:
    def __init__(self, raw, elapsed):
        head, sep, self.body = raw.partition(b"\r\n\r\n")
        self.complete_head = bool(sep)
        lines = head.decode("latin-1").split("\r\n")
        self.status_line = lines[0]
        self.status = int(lines[0].split()[1]) if raw else None
        self.headers = [tuple(x.strip() for x in line.split(":", 1)) for line in lines[1:] if line]
        self.elapsed = elapsed

    def header(self, name):
        values = [v for k, v in self.headers if k.lower() == name.lower()]
        return values[0] if values else None


def exchange(port, target, method="GET", close=True, extra=b"", timeout=3):
    """One request on a fresh raw socket, read until the server closes it.

    With close=False the request asks for keep-alive, so reaching the end of
    the stream proves that the server itself closed the connection."""
    request = "%s %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n" % (method, target, port)
    if close:
        request += "Connection: close\r\n"
    start = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(request.encode("latin-1") + extra + b"\r\n")
        chunks = []
        while True:
            try:
                data = s.recv(65536)
            except socket.timeout:
                raise AssertionError("server kept the connection open: %r" % b"".join(chunks)[:200])
            if not data:
                break
            chunks.append(data)
    return Reply(b"".join(chunks), time.monotonic() - start)


def publish_fixture_exe(tail):
    """A PE image whose version resource says 15,1,23,3."""
    return pe_with_version((15, 1, 23, 3), tail=tail)


def dechunk(body):
    out, rest = b"", body
    while True:
        size_line, _, rest = rest.partition(b"\r\n")
        size = int(size_line, 16)
        if size == 0:
            return out
        out, rest = out + rest[:size], rest[size + 2:]


def launcher_command_name(address):
    """Name of a login page command as the launcher cuts it: up to the first
    "|", or without the last character when there is no "|"."""
    assert address.startswith("app://"), address
    bar = address.find("|", 6)
    text = address[6:bar] if bar >= 0 else address[6:-1]
    return text.split(":", 1)[0]


class SiteTestCase(unittest.TestCase):
    site_options = {}

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.update_exe = os.path.join(cls.tmp.name, "update.exe")
        cls.game_exe = os.path.join(cls.tmp.name, "game.exe")
        with open(cls.update_exe, "wb") as f:
            f.write(UPDATE_EXE)
        with open(cls.game_exe, "wb") as f:
            f.write(GAME_EXE)
        options = dict(update_exe=cls.update_exe, game_exe=cls.game_exe)
        options.update(cls.site_options)
        cls.site = opsite.OperatorSite(port=0, **options).start()
        cls.port = cls.site.port
        cls.host = "127.0.0.1:%d" % cls.port

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()
        cls.tmp.cleanup()

    def setUp(self):
        self.control("reset")

    def get(self, target, method="GET"):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        try:
            conn.request(method, target)
            resp = conn.getresponse()
            return resp.status, resp, resp.read()
        finally:
            conn.close()

    def control(self, name, expect=200, **params):
        query = "&".join("%s=%s" % (k, quote(str(v), safe="")) for k, v in params.items())
        status, _, body = self.get("/_control/%s?%s" % (name, query))
        self.assertEqual(status, expect, body)
        return json.loads(body.decode("utf-8"))

    def config(self, target="/ConfigXcjy.htm"):
        status, _, body = self.get(target)
        self.assertEqual(status, 200)
        ini = configparser.ConfigParser()
        ini.optionxform = str  # keys are case-sensitive names here
        ini.read_string(body.decode("ascii"))
        return ini

    def notice_fields(self):
        status, _, body = self.get("/XCJY.txt")
        self.assertEqual(status, 200)
        self.assertLess(len(body), 1024)
        return body.decode("gbk").split("|")


class PagesTest(SiteTestCase):

    def test_every_page_answers_with_exact_content_length_for_get_and_head(self):
        cases = [
            ("/", "text/html"),
            ("/ConfigXcjy.htm", "text/plain"),
            ("/XCJY.txt", "text/plain; charset=gbk"),
            ("/notice/notice.jpg", "image/jpeg"),
            ("/s/wd/lobby-login.html", "text/html"),
            ("/game/play.html?uid=xcjy_abc&server=12&from=lobby", "text/html"),
            ("/update/XCJY.exe", "application/octet-stream"),
            ("/ConfigHyxd.htm", "text/plain"),
            ("/games/Hyxd.exe", "application/octet-stream"),
            ("/deposit/depositeFromGame.do?product=XCJY", "text/html"),
            ("/user/center/centerOpen.do?product=XCJY&source=RV", "text/html"),
            ("/forum.php?mod=forumdisplay&fid=1327", "text/html"),
            ("/uninstall.htm?tag=XCJY&ver=15,1,23,3&count=1", "text/html"),
        ]
        for target, ctype in cases:
            with self.subTest(target=target):
                got = exchange(self.port, target)
                self.assertEqual(got.status, 200)
                self.assertTrue(got.header("Content-Type").startswith(ctype))
                self.assertGreater(len(got.body), 0)
                # Read to the end of the stream: nothing beyond the announced length.
                self.assertEqual(int(got.header("Content-Length")), len(got.body))
                head = exchange(self.port, target, method="HEAD")
                self.assertEqual(head.status, 200)
                self.assertEqual(head.header("Content-Length"), got.header("Content-Length"))
                self.assertEqual(head.body, b"")

    def test_unknown_paths_are_404_with_a_length(self):
        for target in ("/nothing.htm", "/update/other.exe", "/Confighyxd.htm", "/games/hyxd.exe"):
            with self.subTest(target=target):
                got = exchange(self.port, target)
                self.assertEqual(got.status, 404)
                self.assertEqual(int(got.header("Content-Length")), len(got.body))

    def test_config_publishes_identity_of_update_exe_and_its_address(self):
        keys = self.config()["VerKey"]
        self.assertEqual(keys["XCJY"], identity(UPDATE_EXE))
        self.assertEqual(len(keys["XCJY"]), 32)
        upd = urlsplit(keys["UpdAddr"])
        self.assertEqual((upd.scheme, upd.netloc), ("http", self.host))
        status, _, body = self.get(upd.path + ("?" + upd.query if upd.query else ""))
        self.assertEqual((status, body), (200, UPDATE_EXE))

    def test_other_game_config_names_its_own_executable(self):
        upd = urlsplit(self.config("/ConfigHyxd.htm")["VerKey"]["UpdAddr"])
        self.assertEqual((upd.netloc, upd.path), (self.host, "/games/Hyxd.exe"))
        self.assertEqual(self.get(upd.path)[2], GAME_EXE)

    def test_notice_is_one_gbk_record_whose_picture_and_link_are_served(self):
        fields = self.notice_fields()
        self.assertEqual(len(fields), 7)
        notice_id, end_date, title, link, content, picture, count = fields
        self.assertGreaterEqual(end_date, datetime.date.today().isoformat())
        self.assertTrue(title and content)
        self.assertGreater(int(count), 1)
        for address in (link, picture):
            parts = urlsplit(address)
            self.assertEqual(parts.netloc, self.host)
            status, _, body = self.get(parts.path + ("?" + parts.query if parts.query else ""))
            self.assertEqual(status, 200, address)
        self.assertEqual(body[:3], b"\xff\xd8\xff")  # the picture is a JPEG

    def test_ie_pages_use_old_script_and_send_commands_the_launcher_knows(self):
        lobby = self.get("/s/wd/lobby-login.html")[2].decode("utf-8")
        play = self.get("/game/play.html?uid=xcjy_a%25b&server=3")[2].decode("utf-8")
        for page in (lobby, play):
            self.assertIn('<meta http-equiv="X-UA-Compatible" content="IE=edge">', page)
            script = "\n".join(re.findall(r"<script[^>]*>(.*?)</script>", page, re.S))
            for modern in (r"=>", r"\blet\s", r"\bconst\s", r"addEventListener", r"\bfetch\s*\(", r"`"):
                self.assertIsNone(re.search(modern, script), modern)

        # Lobby: the see-through colour, the three plain commands and the
        # loadgame handover to the game page on this host.
        self.assertRegex(lobby, r"body \{[^}]*background: #fefefe")
        hrefs = re.findall(r'href="(app://[^"]*)"', lobby)
        self.assertEqual(sorted(launcher_command_name(h) for h in hrefs),
                         ["exitgame", "minimize", "restart"])
        self.assertIn("var SITE_HOST = '%s';" % self.host, lobby)
        self.assertIn("'app://loadgame:' + encoded + ',' + server + '|'", lobby)
        self.assertIn("'http://' + SITE_HOST + '/game/play.html?uid=xcjy_'", lobby)

        # Game page: the script function, a title the tab text is made from,
        # and an entergame command with its marker at the start.
        self.assertIn("function ClientCallJs(n)", play)
        self.assertRegex(play, r"document\.title = ")
        enter = re.findall(r'href="(app://entergame\|[^"]*)"', play)
        self.assertEqual(enter, ["app://entergame|hyxd|http://%s/" % self.host])

    def test_connection_is_kept_alive_across_get_and_head(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        try:
            conn.request("GET", "/")
            conn.getresponse().read()
            sock = conn.sock
            conn.request("HEAD", "/update/XCJY.exe")
            conn.getresponse().read()
            conn.request("GET", "/ConfigXcjy.htm")
            resp = conn.getresponse()
            self.assertIn(b"[VerKey]", resp.read())
            self.assertIs(conn.sock, sock)
        finally:
            conn.close()


class ControlTest(SiteTestCase):

    def test_fault_modes(self):
        path = "/update/XCJY.exe"
        cases = [
            ("404", {}),
            ("500", {"size": 120}),
            ("nolength", {}),
            ("chunked", {}),
            ("short", {"sent": 900}),
            ("short", {"size": 1000, "sent": 900}),
            ("slow", {"seconds": 0.4, "chunk": 256}),
            ("drop", {}),
            ("long", {"size": 1000, "sent": 1200}),
        ]
        # These modes must end the connection themselves: they are asked for
        # keep-alive, so only the server's close ends the read.
        closing = ("nolength", "short", "drop", "long")
        for mode, params in cases:
            with self.subTest(mode=mode, **params):
                self.control("fault", path=path, mode=mode, **params)
                # The query is ignored: the fault is set for the bare path.
                got = exchange(self.port, path + "?site=x", close=mode not in closing)
                length = got.header("Content-Length")
                if mode == "404":
                    self.assertEqual(got.status, 404)
                    self.assertEqual(int(length), len(got.body))
                elif mode == "500":
                    self.assertEqual((got.status, length, len(got.body)), (500, "120", 120))
                elif mode == "nolength":
                    self.assertEqual(got.status, 200)
                    self.assertIsNone(length)
                    self.assertEqual(got.body, UPDATE_EXE)
                elif mode == "chunked":
                    self.assertIsNone(length)
                    self.assertEqual(got.header("Transfer-Encoding"), "chunked")
                    self.assertEqual(dechunk(got.body), UPDATE_EXE)
                elif mode == "short":
                    announced = params.get("size", len(UPDATE_EXE))
                    self.assertEqual(int(length), announced)
                    self.assertEqual(len(got.body), 900)
                    if "size" not in params:
                        self.assertEqual(got.body, UPDATE_EXE[:900])
                elif mode == "slow":
                    self.assertEqual(got.body, UPDATE_EXE)
                    self.assertGreaterEqual(got.elapsed, 0.3)
                elif mode == "drop":
                    self.assertEqual(got.status_line, "")
                elif mode == "long":
                    self.assertEqual((got.status, length, len(got.body)), (200, "1000", 1200))
        self.control("fault", path=path, mode="none")
        got = exchange(self.port, path)
        self.assertEqual((got.status, got.body), (200, UPDATE_EXE))

    def test_silent_fault_accepts_and_never_answers(self):
        self.control("fault", path="/ConfigXcjy.htm", mode="silent", seconds=0.6)
        start = time.monotonic()
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.sendall(b"GET /ConfigXcjy.htm HTTP/1.1\r\nHost: x\r\n\r\n")
            s.settimeout(0.3)
            with self.assertRaises(socket.timeout):
                s.recv(100)
            s.settimeout(5)
            self.assertEqual(s.recv(100), b"", "closed without a byte once the time is up")
        self.assertGreaterEqual(time.monotonic() - start, 0.5)

    def test_publishing_a_build_serves_it_with_the_tools_identity(self):
        sys.path.insert(0, os.path.join(ROOT, "tools", "publish"))
        import publish
        exe = os.path.join(self.tmp.name, "new.exe")
        with open(exe, "wb") as f:
            f.write(publish_fixture_exe(b"appended"))
        got = self.control("publish", exe=exe)
        expected = hashlib.md5(publish_fixture_exe(b"appended")).hexdigest()[:23] + "15,1,23,3"
        self.assertEqual(got["identity"], expected)
        self.assertEqual(self.config()["VerKey"]["XCJY"], expected)
        status, _, body = self.get("/update/XCJY.exe")
        self.assertEqual((status, body), (200, publish_fixture_exe(b"appended")))
        self.control("publish", expect=400, exe=self.update_exe)  # no version resource
        self.assertEqual(publish.identity_of(publish_fixture_exe(b"")), identity(publish_fixture_exe(b"")))
        # The published build is signed with the demo key; overrides publish
        # an altered or missing signature instead.
        values = self.config()["VerKey"]
        self.assertEqual(values["Statement"], publish.statement_of(publish_fixture_exe(b"appended")))
        self.assertEqual(len(values["Signature"]), 128)
        self.control("config", statement="", signature="")
        self.assertNotIn("Statement", self.config()["VerKey"])

    def test_trickle_and_redirect_faults(self):
        self.control("fault", path="/ConfigXcjy.htm", mode="redirect")
        status, resp, _ = self.get("/ConfigXcjy.htm")
        self.assertEqual((status, resp.getheader("Location")), (302, "http://127.0.0.2:%d/ConfigXcjy.htm" % self.port))
        self.control("fault", path="/ConfigXcjy.htm", mode="trickle", size=5, seconds=0.2)
        start = time.monotonic()
        status, _, body = self.get("/ConfigXcjy.htm")
        self.assertEqual((status, len(body)), (200, 5))
        self.assertGreaterEqual(time.monotonic() - start, 0.9, "one byte per 0.2 s")

    def test_fault_touches_only_its_path_and_reset_clears_it(self):
        self.control("fault", path="/XCJY.txt", mode="404")
        self.control("fault", path="/uninstall.htm?count=2", mode="500")
        self.assertEqual(self.get("/XCJY.txt")[0], 404)
        self.assertEqual(self.get("/uninstall.htm?count=2")[0], 500)
        self.assertEqual(self.get("/uninstall.htm?count=3")[0], 200)
        self.assertEqual(self.get("/ConfigXcjy.htm")[0], 200)
        self.control("reset")
        self.assertEqual(self.get("/XCJY.txt")[0], 200)

    def test_client_hanging_up_mid_body_leaves_the_server_serving(self):
        self.control("fault", path="/update/XCJY.exe", mode="slow", seconds=1, chunk=100)
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.sendall(b"GET /update/XCJY.exe HTTP/1.1\r\nHost: x\r\n\r\n")
            self.assertTrue(s.recv(100).startswith(b"HTTP/1.1 200"))
        got = exchange(self.port, "/ConfigXcjy.htm")
        self.assertEqual(got.status, 200)
        self.assertLess(got.elapsed, 0.5)

    def test_bad_control_requests_are_refused(self):
        self.control("fault", expect=400, path="/x", mode="sideways")
        self.control("fault", expect=400, path="x", mode="404")
        self.control("fault", expect=400, path="/x", mode="slow", seconds="soon")
        self.control("nonsense", expect=404)

    def test_config_and_notice_can_be_changed_at_run_time(self):
        self.control("config", xcjy="0123456789abcdef012345615,1,23,3",
                     updaddr="http://{{HOST}}/elsewhere.exe?site=rv")
        keys = self.config()["VerKey"]
        self.assertEqual(keys["XCJY"], "0123456789abcdef012345615,1,23,3")
        self.assertEqual(keys["UpdAddr"], "http://%s/elsewhere.exe?site=rv" % self.host)

        text = "7|2000-01-01|旧公告|||{{PICTURE}}|1"
        self.assertEqual(self.control("notice", text=text)["bytes"], len(self.get("/XCJY.txt")[2]))
        fields = self.notice_fields()
        self.assertEqual(fields[:5], ["7", "2000-01-01", "旧公告", "", ""])
        self.assertEqual(fields[5], "http://%s/notice/notice.jpg" % self.host)

        self.control("reset")
        self.assertEqual(self.config()["VerKey"]["XCJY"], identity(UPDATE_EXE))
        self.assertEqual(len(self.notice_fields()), 7)

    def test_request_log_keeps_the_request_shape(self):
        target = "/uninstall.htm?tag=XCJY&ver=15,1,23,3&count=3"
        block = (b"Accept-Language: zh-cn \r\n"
                 b"Content-Type: application/x-www-form-urlencoded\r\n"
                 b"User-Agent: LNC\r\n")
        exchange(self.port, target, extra=block)
        # The launcher's paths carry no leading "/": served all the same, and
        # logged as sent.
        self.assertEqual(exchange(self.port, "ConfigXcjy.htm").status, 200)
        self.control("fault", path="/XCJY.txt", mode="404")  # control calls stay out of the log
        entries = self.control("requests")
        self.assertEqual([e["target"] for e in entries], [target, "ConfigXcjy.htm"])
        self.assertEqual(entries[1]["path"], "/ConfigXcjy.htm")
        entry = entries[0]
        self.assertEqual((entry["method"], entry["target"], entry["version"]),
                         ("GET", target, "HTTP/1.1"))
        self.assertEqual(entry["query"], "tag=XCJY&ver=15,1,23,3&count=3")
        self.assertEqual(entry["headers"], [
            ["Host", self.host],
            ["Connection", "close"],
            ["Accept-Language", "zh-cn "],  # the blank before the line break survives
            ["Content-Type", "application/x-www-form-urlencoded"],
            ["User-Agent", "LNC"],
        ])
        self.assertEqual(len(self.control("requests", clear=1)), 2)
        self.assertEqual(self.control("requests"), [])


class PlatformDomainTest(SiteTestCase):
    site_options = {"platform_domain": "rvgame.test", "update_exe": None,
                    "version_id": "published-id"}

    def test_domain_text_is_in_every_address_that_must_carry_it(self):
        keys = self.config()["VerKey"]
        self.assertEqual(keys["XCJY"], "published-id")
        addresses = [keys["UpdAddr"], self.config("/ConfigHyxd.htm")["VerKey"]["UpdAddr"],
                     self.notice_fields()[5]]
        for address in addresses:
            with self.subTest(address=address):
                self.assertIn("rvgame.test", address)
                parts = urlsplit(address)
                self.assertEqual(parts.netloc, self.host)
        # No update executable given: its address answers 404, the others are served.
        self.assertEqual(self.get(urlsplit(addresses[0]).path)[0], 404)
        self.assertEqual(self.get(urlsplit(addresses[1]).path)[0], 200)
        self.assertEqual(self.get(urlsplit(addresses[2]).path)[0], 200)


class CommandLineTest(unittest.TestCase):

    def test_port_file_listening_line_version_of_and_clean_stop(self):
        with tempfile.TemporaryDirectory() as tmp:
            port_file = os.path.join(tmp, "port")
            exe = os.path.join(tmp, "launcher.exe")
            with open(exe, "wb") as f:
                f.write(b"MZ the running launcher")
            proc = subprocess.Popen(
                [sys.executable, os.path.join(TOOL_DIR, "opsite.py"), "--port", "0",
                 "--port-file", port_file, "--version-of", exe],
                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            try:
                deadline = time.monotonic() + 5
                while not os.path.exists(port_file):
                    self.assertLess(time.monotonic(), deadline, "no port file")
                    self.assertIsNone(proc.poll(), proc.stderr.read() if proc.poll() is not None else "")
                    time.sleep(0.02)
                with open(port_file) as f:
                    port = int(f.read())
                self.assertEqual(proc.stdout.readline().strip(), "listening on http://127.0.0.1:%d" % port)
                got = exchange(port, "/ConfigXcjy.htm")
                self.assertIn("XCJY=%s\r\n" % identity(b"MZ the running launcher"), got.body.decode())
                self.assertEqual(exchange(port, "/update/XCJY.exe").status, 404)
            finally:
                proc.send_signal(signal.SIGTERM)
                _, err = proc.communicate(timeout=5)
            self.assertEqual(proc.returncode, 0, err)
            self.assertEqual(err, "")  # quiet without --verbose
            self.assertFalse(os.path.exists(port_file))

    def test_survey_log_and_stop_file(self):
        # What a test under wine relies on: it cannot signal the server, so it
        # removes the stop file, and it reads the survey requests from a file.
        with tempfile.TemporaryDirectory() as tmp:
            port_file, log, stop = (os.path.join(tmp, n) for n in ("port", "survey.log", "run"))
            open(stop, "w").close()
            proc = subprocess.Popen(
                [sys.executable, os.path.join(TOOL_DIR, "opsite.py"), "--port-file", port_file,
                 "--survey-log", log, "--stop-file", stop],
                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            try:
                deadline = time.monotonic() + 5
                while not os.path.exists(port_file):
                    self.assertLess(time.monotonic(), deadline, "no port file")
                    time.sleep(0.02)
                with open(port_file) as f:
                    port = int(f.read())
                survey = "/uninstall.htm?tag=XCJY&ver=15,1,23,3&count=3"
                self.assertEqual(exchange(port, survey).status, 200)
                self.assertEqual(exchange(port, "uninstall.htm?tag=XCJY&ver=15,1,23,3&count=4").status, 200)
                exchange(port, "/ConfigXcjy.htm")
                with open(log, encoding="utf-8") as f:
                    self.assertEqual(f.read().splitlines(), [survey, "uninstall.htm?tag=XCJY&ver=15,1,23,3&count=4"])
                os.remove(stop)
                proc.wait(timeout=5)
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
            self.assertEqual(proc.returncode, 0, proc.stderr.read())


if __name__ == "__main__":
    unittest.main()
