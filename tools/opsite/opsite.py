#!/usr/bin/env python3
"""Local operator site: one loopback HTTP server that stands in for every web
site the launcher talks to (game site, platform client site, update server,
pay, user centre, forum), for demos and tests.

Python 3 standard library only. Usable as a program (see --help and README.md)
or in-process: OperatorSite(...).start() / .stop().
"""

import argparse
import collections
import hashlib
import html
import json
import os
import re
import signal
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, urlsplit

LAUNCHER_VERSION = "15,1,23,3"
SITE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "publish"))

import publish  # noqa: E402  the operator's publishing tool forms what the site publishes

CONFIG_PATH = "/ConfigXcjy.htm"
NOTICE_PATH = "/XCJY.txt"
NOTICE_PICTURE_PATH = "/notice/notice.jpg"
LOBBY_PATH = "/s/wd/lobby-login.html"
GAME_PAGE_PATH = "/game/play.html"
UPDATE_PATH = "/update/XCJY.exe"
SURVEY_PATH = "/uninstall.htm"
# Another game "Name" (first letter upper case, as the launcher forms it) has
# its configuration at /Config<Name>.htm, which names /games/<Name>.exe.
# /ConfigXcjy.htm is that pattern's own case for this game.
OTHER_CONFIG_RE = re.compile(r"^/Config([A-Z][A-Za-z0-9_]{0,31})\.htm$")
OTHER_EXE_RE = re.compile(r"^/games/([A-Z][A-Za-z0-9_]{0,31})\.exe$")
CONTROL_PREFIX = "/_control/"

# The launcher stores a notice read in the system ANSI code page; the players'
# systems are zh_CN, so code page 936.
NOTICE_ENCODING = "gbk"
NOTICE_LIMIT = 1024  # the launcher refuses a notice of this many bytes or more
DEFAULT_NOTICE = ("20240601|2099-12-31|星潮纪元·星海之潮新服开启|http://{{HOST}}/"
                  "|新服「星海之潮」今日10点开启，首周登录即领豪华礼包，"
                  "充值再享双倍星钻！|{{PICTURE}}|3")

FAULT_MODES = ("404", "500", "nolength", "chunked", "short", "slow", "drop", "long", "silent", "trickle",
               "redirect")
# The demo signing key: its public half is what a build trusts unless it was
# configured with the operator's own key.
DEMO_KEY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo-signing-key.private.pem")
REQUEST_LOG_LIMIT = 2000

HTML_TYPE = "text/html; charset=utf-8"

# Small pages of the platform's other sites: path -> (title, text).
INFO_PAGES = {
    "/deposit/depositeFromGame.do": (
        "RV平台 · 充值中心", "这里是演示用的充值页面。真实平台在此为游戏账号充值星钻。"),
    "/user/center/centerOpen.do": (
        "RV平台 · 用户中心", "这里是演示用的用户中心（在线客服）页面。"),
    "/forum.php": (
        "星潮纪元 · 玩家论坛", "这里是演示用的游戏论坛版块页面。"),
    "/uninstall.htm": (
        "RV平台 · 卸载调查", "感谢您使用RV星潮纪元极速登录器。卸载已记录，期待您再次回来！"),
}


def version_identity(exe_bytes, version=None):
    """The build identity the launcher compares, as the publishing tool forms
    it: the MD5 hex digest of the executable, cut so that the version text
    (without dots) fills its last characters. The version is the file's own
    (its version resource) when it has one, else LAUNCHER_VERSION. For
    15,1,23,3 that is 23 hex digits + 9 characters."""
    if version is None:
        version = publish.version_text(exe_bytes) or LAUNCHER_VERSION
    return publish.identity_from(exe_bytes, version)


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


class Fault:
    def __init__(self, mode, size=None, sent=None, seconds=None, chunk=None, to=None):
        self.mode = mode
        self.to = to            # "redirect": the Location (default the same path on 127.0.0.2)
        self.size = size        # replace the body by this many filler bytes
        self.sent = sent        # "short": bytes actually sent
        self.seconds = seconds  # "slow": total time spent sending the body (default 2 s)
        self.chunk = chunk      # "slow": bytes per piece
        # "trickle": the headers at once, then one byte of the body every
        # `seconds` (default 10), however long that takes.

    def as_dict(self):
        return {k: v for k, v in vars(self).items() if v is not None}


class Answer:
    def __init__(self, status, content_type, body):
        self.status = status
        self.content_type = content_type
        self.body = body


def filler(n):
    pattern = b"opsite filler 0123456789;"
    return (pattern * (n // len(pattern) + 1))[:n]


class OperatorSite:
    """The server and the state that the control endpoint changes."""

    def __init__(self, host="127.0.0.1", port=0, update_exe=None, version_id=None,
                 platform_domain="", game_exe=None, verbose=False, survey_log=None, signing_key=DEMO_KEY):
        self.update_exe = update_exe
        self.survey_log = survey_log
        self.version_id = version_id
        self.platform_domain = platform_domain or ""
        self.game_exe = game_exe
        self.signing_key_path = signing_key
        self._signing_key = None
        self.verbose = verbose
        self.lock = threading.Lock()
        self.stopping = threading.Event()  # ends the "silent" fault's waits
        self.faults = {}
        self.overrides = {}  # "xcjy", "updaddr", "notice"
        self.requests = collections.deque(maxlen=REQUEST_LOG_LIMIT)
        self.server = _Server((host, port), _Handler)
        self.server.site = self
        self.host = host
        self.port = self.server.server_address[1]
        self._thread = None

    # -- life -------------------------------------------------------------

    def start(self):
        # A short poll interval keeps stop() quick; shutdown waits for one poll.
        self._thread = threading.Thread(target=self.server.serve_forever, args=(0.05,),
                                        name="opsite", daemon=True)
        self._thread.start()
        return self

    def stop(self):
        self.stopping.set()
        self.server.shutdown()
        self.server.server_close()
        if self._thread:
            self._thread.join(5)

    def default_address(self):
        host = self.host if self.host not in ("", "0.0.0.0", "::") else "127.0.0.1"
        return "%s:%d" % (host, self.port)

    # -- state ------------------------------------------------------------

    def reset(self):
        with self.lock:
            self.faults.clear()
            self.overrides.clear()
            self.requests.clear()

    def fault_for(self, target):
        path = target.split("?", 1)[0]
        with self.lock:
            return self.faults.get(target) or self.faults.get(path)

    def log_request(self, entry):
        with self.lock:
            self.requests.append(entry)

    def record_survey(self, path, target):
        """Appends the target of an uninstall survey request, one line each, to
        the survey log file: a program under wine reads it as a plain file."""
        if not self.survey_log or path != SURVEY_PATH:
            return
        with self.lock, open(self.survey_log, "a", encoding="utf-8") as f:
            f.write(target + "\n")

    def state(self):
        with self.lock:
            return {
                "faults": {p: f.as_dict() for p, f in sorted(self.faults.items())},
                "overrides": dict(self.overrides),
                "requests": len(self.requests),
            }

    # -- content ----------------------------------------------------------

    def domain_query(self):
        # The launcher only checks that the address contains the platform's
        # domain text somewhere; the query is where it harms no routing.
        return "?site=" + self.platform_domain if self.platform_domain else ""

    def published_identity(self):
        if self.version_id is not None:
            return self.version_id
        if self.update_exe and os.path.isfile(self.update_exe):
            return version_identity(read_file(self.update_exe))
        # No build published: the identity of zero bytes, formed the same way.
        return version_identity(b"")

    def signed_statement(self, exe_path, product):
        """(statement, signature) of a served build, signed with the site's
        key; (None, None) when there is no build to sign."""
        if not exe_path or not os.path.isfile(exe_path):
            return None, None
        try:
            statement = publish.statement_of(read_file(exe_path), product)
        except publish.PublishError:
            return None, None
        with self.lock:
            if self._signing_key is None:
                self._signing_key = publish.load_private_key(self.signing_key_path)
            key = self._signing_key
        return statement, publish.sign_statement(statement, key)

    def config_text(self, host):
        with self.lock:
            xcjy = self.overrides.get("xcjy")
            upd = self.overrides.get("updaddr")
            statement = self.overrides.get("statement")
            signature = self.overrides.get("signature")
            update_exe = self.update_exe
        if xcjy is None:
            xcjy = self.published_identity()
        if upd is None:
            upd = "http://{{HOST}}" + UPDATE_PATH + self.domain_query()
        upd = upd.replace("{{HOST}}", host)
        signed, signed_by = self.signed_statement(update_exe, publish.LAUNCHER_PRODUCT)
        # Overrides let a test publish an altered, foreign or missing
        # signature; an empty override leaves the value out.
        statement = signed if statement is None else statement
        signature = signed_by if signature is None else signature
        if not statement or not signature:
            return publish.config_text(xcjy, upd)
        return publish.config_text(xcjy, upd, statement, signature)

    def other_config_text(self, host, name):
        upd = "http://%s/games/%s.exe%s" % (host, name, self.domain_query())
        if not self.game_exe or not os.path.isfile(self.game_exe):
            return "[VerKey]\r\nUpdAddr=%s\r\n" % upd
        data = read_file(self.game_exe)
        statement, signature = self.signed_statement(self.game_exe, name)
        return publish.config_text(version_identity(data), upd, statement, signature)

    def notice_bytes(self, host):
        with self.lock:
            text = self.overrides.get("notice")
        if text is None:
            text = DEFAULT_NOTICE
        picture = "http://" + host + NOTICE_PICTURE_PATH + self.domain_query()
        text = text.replace("{{HOST}}", host).replace("{{PICTURE}}", picture)
        return text.encode(NOTICE_ENCODING, "replace")

    def page(self, name, host, **values):
        with open(os.path.join(SITE_DIR, name), encoding="utf-8") as f:
            text = f.read()
        values["HOST"] = host
        for key, value in values.items():
            text = text.replace("{{%s}}" % key, html.escape(value))
        return text.encode("utf-8")

    def route(self, path, query, host):
        """The answer for a site path, or None for 404."""
        if path in ("/", "/index.html"):
            return Answer(200, HTML_TYPE, self.page("hall.html", host))
        if path == CONFIG_PATH:
            return Answer(200, "text/plain", self.config_text(host).encode("ascii", "replace"))
        if path == NOTICE_PATH:
            return Answer(200, "text/plain; charset=gbk", self.notice_bytes(host))
        if path == NOTICE_PICTURE_PATH:
            return Answer(200, "image/jpeg", read_file(os.path.join(SITE_DIR, "notice.jpg")))
        if path == LOBBY_PATH:
            return Answer(200, HTML_TYPE, self.page("lobby-login.html", host))
        if path == GAME_PAGE_PATH:
            return Answer(200, HTML_TYPE, self.page("play.html", host))
        if path == UPDATE_PATH:
            return self.file_answer(self.update_exe)
        m = OTHER_CONFIG_RE.match(path)
        if m:
            return Answer(200, "text/plain", self.other_config_text(host, m.group(1)).encode("ascii"))
        if OTHER_EXE_RE.match(path):
            return self.file_answer(self.game_exe)
        if path in INFO_PAGES:
            title, text = INFO_PAGES[path]
            params = "\n".join("%s = %s" % kv for kv in parse_qsl(query, keep_blank_values=True))
            return Answer(200, HTML_TYPE, self.page(
                "info.html", host, TITLE=title, TEXT=text, PATH=path, PARAMS=params or "（无）"))
        return None

    @staticmethod
    def file_answer(path):
        if not path or not os.path.isfile(path):
            return None
        return Answer(200, "application/octet-stream", read_file(path))


class _Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64  # a browser opens several connections at once

    def handle_error(self, request, client_address):
        # Clients that hang up mid-answer are normal here (cancelled downloads,
        # the survey request that never reads its answer).
        if self.site.verbose:
            super().handle_error(request, client_address)


class _Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "opsite/1"
    timeout = 60  # an idle keep-alive connection is dropped after this

    @property
    def site(self):
        return self.server.site

    def log_message(self, fmt, *args):
        if self.site.verbose:
            sys.stderr.write("opsite %s - %s\n" % (self.address_string(), fmt % args))

    def handle(self):
        try:
            super().handle()
        except OSError:
            pass

    def do_GET(self):
        self.answer()

    def do_HEAD(self):
        self.answer()

    def host_text(self):
        # Addresses written into pages and files follow the name the client
        # used, so the site also works when reached as localhost or by a LAN
        # address. Anything odd falls back to the bound address.
        host = self.headers.get("Host", "")
        if re.match(r"^[A-Za-z0-9.\-]+(:\d{1,5})?$", host):
            return host
        return self.site.default_address()

    def discard_request_body(self):
        length = self.headers.get("Content-Length")
        if self.headers.get("Transfer-Encoding"):
            self.close_connection = True  # not worth decoding; just stop reusing
            return 0
        try:
            n = int(length) if length else 0
        except ValueError:
            self.close_connection = True
            return 0
        if n > 0:
            self.rfile.read(n)
        return n

    def answer(self):
        body_length = self.discard_request_body()
        target = normalise_target(self.path)
        parts = urlsplit(target)
        if parts.path.startswith(CONTROL_PREFIX):
            return self.control(parts.path[len(CONTROL_PREFIX):], parts.query)
        self.site.log_request({
            "time": time.time(),
            "client": "%s:%d" % self.client_address[:2],
            "request_line": self.requestline,
            "method": self.command,
            "target": self.path,  # as received: the launcher's own path text
            "path": parts.path,
            "query": parts.query,
            "version": self.request_version,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body_length": body_length,
        })
        self.site.record_survey(parts.path, self.path)
        host = self.host_text()
        found = self.site.route(parts.path, parts.query, host)
        if found is None:
            found = Answer(404, HTML_TYPE, self.site.page(
                "info.html", host, TITLE="404 找不到页面",
                TEXT="本站没有这个页面。", PATH=parts.path, PARAMS=parts.query or "（无）"))
        self.send_answer(found, self.site.fault_for(target))

    # -- sending ----------------------------------------------------------

    def send_answer(self, answer, fault=None):
        mode = fault.mode if fault else None
        status, ctype, body = answer.status, answer.content_type, answer.body
        if mode == "drop":
            self.close_connection = True
            return
        if mode == "silent":
            return self.stay_silent(fault)
        if mode == "long":
            return self.send_longer_body(status, ctype, body, fault)
        if mode == "redirect":
            return self.send_redirect(fault)
        if mode == "404":
            status, ctype, body = 404, "text/plain", b"404 Not Found (opsite fault)\n"
        elif mode == "500":
            status, ctype, body = 500, "text/plain", b"500 Internal Server Error (opsite fault)\n"
        if fault and fault.size is not None:
            body = filler(fault.size)
        head_only = self.command == "HEAD"

        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Cache-Control", "no-cache")
        if mode == "nolength":
            # HTTP/1.0 style: the end of the body is the end of the connection.
            self.send_header("Connection", "close")
            self.end_headers()
            self.write(b"" if head_only else body)
            return
        if mode == "chunked":
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            if not head_only:
                step = 256
                for i in range(0, len(body), step):
                    piece = body[i:i + step]
                    self.write(b"%x\r\n%s\r\n" % (len(piece), piece))
                self.write(b"0\r\n\r\n")
            return
        self.send_header("Content-Length", str(len(body)))
        if mode == "short":
            self.send_header("Connection", "close")
        self.end_headers()
        if head_only:
            return
        if mode == "short":
            sent = fault.sent if fault.sent is not None else len(body) // 2
            self.write(body[:min(sent, max(len(body) - 1, 0))])
            self.close_connection = True
        elif mode == "slow":
            self.write_slowly(body, fault)
        elif mode == "trickle":
            self.trickle(body, fault)
        else:
            self.write(body)

    def write(self, data):
        try:
            self.wfile.write(data)
            return True
        except OSError:
            self.close_connection = True
            return False

    def write_slowly(self, body, fault):
        chunk = fault.chunk or max(1, -(-len(body) // 10))
        pieces = max(1, -(-len(body) // chunk))
        delay = (2.0 if fault.seconds is None else fault.seconds) / pieces
        for i in range(0, max(len(body), 1), chunk):
            time.sleep(delay)
            if not self.write(body[i:i + chunk]):
                return

    def trickle(self, body, fault):
        delay = 10.0 if fault.seconds is None else fault.seconds
        for i in range(len(body)):
            if self.site.stopping.wait(delay) or not self.write(body[i:i + 1]):
                return
            self.wfile.flush()

    def send_redirect(self, fault):
        to = fault.to or "http://127.0.0.2:%d%s" % (self.site.port, self.path)
        self.send_response(302)
        self.send_header("Location", to)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def stay_silent(self, fault):
        # Accepts the request and never answers: the client's own time-out
        # has to end the wait. Ends with the server or after `seconds`.
        limit = time.time() + (120.0 if fault.seconds is None else fault.seconds)
        while time.time() < limit and not self.site.stopping.is_set():
            time.sleep(0.1)
        self.close_connection = True

    def send_longer_body(self, status, ctype, body, fault):
        # Announces the body (or size=N filler) and then sends sent=K bytes,
        # more than announced (default 200 more), then closes.
        if fault.size is not None:
            body = filler(fault.size)
        sent = fault.sent if fault.sent is not None and fault.sent > len(body) else len(body) + 200
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.write(body + filler(sent - len(body)))
        self.close_connection = True

    # -- control endpoint -------------------------------------------------

    def control(self, name, query):
        params = dict(parse_qsl(query, keep_blank_values=True))
        try:
            result = self.control_action(name, params)
        except ValueError as e:
            return self.send_json(400, {"error": str(e)})
        if result is None:
            return self.send_json(404, {"error": "unknown control endpoint: " + name})
        return self.send_json(200, result)

    def control_action(self, name, params):
        site = self.site
        if name == "fault":
            path = params.get("path", "")
            mode = params.get("mode", "")
            if not path.startswith("/"):
                raise ValueError("path must begin with /")
            if mode == "none":
                with site.lock:
                    site.faults.pop(path, None)
                return site.state()
            if mode not in FAULT_MODES:
                raise ValueError("mode must be one of: none, " + ", ".join(FAULT_MODES))
            fault = Fault(mode,
                          size=_number(params, "size", int),
                          sent=_number(params, "sent", int),
                          seconds=_number(params, "seconds", float),
                          chunk=_number(params, "chunk", int),
                          to=params.get("to"))
            if fault.chunk is not None and fault.chunk < 1:
                raise ValueError("chunk must be at least 1")
            with site.lock:
                site.faults[path] = fault
            return site.state()
        if name == "reset":
            site.reset()
            return site.state()
        if name == "config":
            with site.lock:
                for key in ("xcjy", "updaddr", "statement", "signature"):
                    if key in params:
                        site.overrides[key] = params[key]
            # signgame=NAME: publish the served game client's statement for
            # the product NAME, signed with the site's key.
            if params.get("signgame"):
                statement, signature = site.signed_statement(site.game_exe, params["signgame"])
                with site.lock:
                    site.overrides["statement"] = statement or ""
                    site.overrides["signature"] = signature or ""
            return {"config": site.config_text(self.host_text())}
        if name == "notice":
            if "text" not in params:
                raise ValueError("text is required")
            with site.lock:
                site.overrides["notice"] = params["text"]
            return {"bytes": len(site.notice_bytes(self.host_text()))}
        if name == "requests":
            with site.lock:
                entries = list(site.requests)
                if params.get("clear") == "1":
                    site.requests.clear()
            return entries
        if name == "state":
            return site.state()
        if name == "publish":
            return self.publish_build(params)
        return None

    def publish_build(self, params):
        # Serves EXE as the update from now on, with the identity the
        # publishing tool gives it.
        exe = params.get("exe", "")
        if not os.path.isfile(exe):
            raise ValueError("exe must name an existing file")
        with open(exe, "rb") as f:
            try:
                identity = publish.identity_of(f.read())
            except publish.PublishError as e:
                raise ValueError(str(e))
        site = self.site
        with site.lock:
            site.update_exe = exe
            site.overrides["xcjy"] = identity
        return {"identity": identity, "config": site.config_text(self.host_text())}

    def send_json(self, status, value):
        body = json.dumps(value, ensure_ascii=False, indent=1).encode("utf-8")
        self.send_answer(Answer(status, "application/json; charset=utf-8", body))


def normalise_target(target):
    """The request target as an origin-form path ("/..." with its query).

    The launcher hands its path to the request without a leading "/"; a client
    library may put it on the wire as is, so a bare "ConfigXcjy.htm" is taken
    as "/ConfigXcjy.htm". An absolute "http://host/path" (proxy form) is cut
    to its path."""
    if target.startswith("/"):
        return target
    if target.lower().startswith("http://"):
        parts = urlsplit(target)
        return (parts.path or "/") + ("?" + parts.query if parts.query else "")
    return "/" + target


def _number(params, key, kind, default=None):
    if key not in params:
        return default
    try:
        value = kind(params[key])
    except ValueError:
        raise ValueError("%s must be a number" % key)
    if value < 0:
        raise ValueError("%s must not be negative" % key)
    return value


def write_port_file(path, port):
    # Written whole and renamed, so a script polling for the file never reads
    # it half-written.
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def watch_stop_file(server, path):
    def watch():
        while os.path.exists(path):
            time.sleep(0.2)
        server.shutdown()
    threading.Thread(target=watch, name="stop-file", daemon=True).start()


def main(argv=None):
    ap = argparse.ArgumentParser(description="Local operator site for the launcher.")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=0, help="0 picks a free port")
    ap.add_argument("--port-file", help="write the port here once accepting")
    ap.add_argument("--update-exe", help="file served as the update executable")
    ap.add_argument("--version-id", help="XCJY value to publish (default: the identity of --update-exe)")
    ap.add_argument("--version-of", metavar="EXE",
                    help="publish the identity of this executable (e.g. the launcher under test, so no update is offered)")
    ap.add_argument("--platform-domain", default="", help="text put into addresses that must contain the platform's domain")
    ap.add_argument("--game-exe", help="file served as another game's launcher (/games/<Name>.exe)")
    ap.add_argument("--signing-key", default=DEMO_KEY,
                    help="private key that signs the served builds (default: the demo key)")
    ap.add_argument("--verbose", action="store_true", help="log requests and errors to stderr")
    ap.add_argument("--survey-log", metavar="PATH", help="append the target of every uninstall survey request here")
    ap.add_argument("--stop-file", metavar="PATH",
                    help="run only while this file exists (for callers that cannot send a signal, such as wine programs)")
    args = ap.parse_args(argv)

    version_id = args.version_id
    if version_id is None and args.version_of:
        version_id = version_identity(read_file(args.version_of))
    site = OperatorSite(args.host, args.port, update_exe=args.update_exe, version_id=version_id,
                        platform_domain=args.platform_domain, game_exe=args.game_exe,
                        verbose=args.verbose, survey_log=args.survey_log, signing_key=args.signing_key)
    # SIGTERM ends the process through the same path as Ctrl+C, so the port
    # file is removed and no later script mistakes it for a live server.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("listening on http://%s:%d" % (args.host, site.port), flush=True)
    try:
        if args.port_file:
            write_port_file(args.port_file, site.port)
        if args.stop_file:
            watch_stop_file(site.server, args.stop_file)
        site.server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        site.server.server_close()
        if args.port_file:
            try:
                os.remove(args.port_file)
            except OSError:
                pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
