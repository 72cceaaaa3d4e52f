#!/usr/bin/env python3
"""A long run of quillon-mcp: many random valid and invalid requests in one process.

Starts a private tmux server (its own TMUX_TMPDIR, no configuration) with a few sessions,
starts quillon-mcp with a bare environment, and sends the requests one line at a time:
legacy and modern tool calls with good and bad arguments, unknown methods, broken JSON,
batches, notifications, odd ids. Checks that every request carrying an id is answered
exactly once, and prints the resident memory after warm-up and at the end.

    bench/mcp_soak.py [--build build] [--requests 10000] [--seed 1]
Exit status 1 when an answer is missing, doubled or unreadable, or memory grew by 1 MiB or more.
"""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile
import threading

MODERN = "2026-07-28"
LEGACY_VERSIONS = ["2024-11-05", "2025-03-26", "2025-06-18", "2025-11-25"]


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


class Soak:
    def __init__(self, binary, socket, env, seed):
        self.random = random.Random(seed)
        self.socket = socket
        self.process = subprocess.Popen([binary], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, env=env, bufsize=0)
        self.answers = {}
        self.unreadable = 0
        self.lock = threading.Condition()
        self.reader = threading.Thread(target=self.read, daemon=True)
        self.reader.start()

    def read(self):
        for line in self.process.stdout:
            try:
                message = json.loads(line)
            except ValueError:
                with self.lock:
                    self.unreadable += 1
                continue
            for answer in message if isinstance(message, list) else [message]:
                # Answers to lines that carried no readable id (id null) are not counted.
                if isinstance(answer, dict) and answer.get("id") is not None and ("result" in answer or "error" in answer):
                    with self.lock:
                        key = json.dumps(answer["id"])
                        self.answers[key] = self.answers.get(key, 0) + 1
                        self.lock.notify_all()

    def send(self, text):
        self.process.stdin.write(text.encode() + b"\n")

    def modern_meta(self):
        return {"io.modelcontextprotocol/protocolVersion": MODERN,
                "io.modelcontextprotocol/clientCapabilities": {}}

    def tool_arguments(self):
        r = self.random
        good = [
            ("tmux_sessions", {"socket": self.socket}),
            ("tmux_windows", {"socket": self.socket, "session": "s1"}),
            ("tmux_capture_pane", {"socket": self.socket, "target": "s0:0.0", "lines": 5}),
            ("tmux_search_panes", {"socket": self.socket, "query": "x"}),
            ("tmux_pane_states", {"socket": self.socket}),
            ("tmux_servers", {}),
        ]
        bad = [
            ("tmux_sessions", {"socket": 7}),
            ("tmux_capture_pane", {"socket": self.socket, "target": "no such:9.9"}),
            ("tmux_capture_pane", {"socket": self.socket, "target": "s0:0.0", "lines": -3}),
            ("tmux_windows", {"socket": self.socket}),
            ("tmux_wait", {"socket": self.socket, "pane": "%0", "timeoutSeconds": 1000}),
            ("tmux_search_panes", {"socket": self.socket, "query": "(", "regex": True}),
            ("no_such_tool", {}),
            ("tmux_sessions", {"socket": "../../etc", "host": "-oProxyCommand=x"}),
            ("tmux_sessions", "not an object"),
        ]
        return r.choice(good if r.random() < 0.5 else bad)

    def request(self, number):
        """One line; returns the id it carries or None when nothing must answer it."""
        r = self.random
        ident = r.choice([number, f"s{number}", number + 0.5 if r.random() < 0.1 else number])
        kind = r.randrange(10)
        if kind <= 3:
            name, arguments = self.tool_arguments()
            params = {"name": name, "arguments": arguments}
            if kind <= 1:
                params["_meta"] = self.modern_meta()
            message = {"jsonrpc": "2.0", "id": ident, "method": "tools/call", "params": params}
        elif kind == 4:
            params = {"_meta": self.modern_meta()} if r.random() < 0.5 else {}
            message = {"jsonrpc": "2.0", "id": ident, "method": r.choice(["tools/list", "server/discover"]),
                       "params": params}
        elif kind == 5:
            message = {"jsonrpc": "2.0", "id": ident, "method": r.choice(["ping", "no/such", "resources/list", ""])}
        elif kind == 6:
            self.send(r.choice(['{"jsonrpc":"2.0","id":', "[]", "{}", "null", "\x00\x01", '{"id":[1]}', "[1,2]"]))
            return None
        elif kind == 7:
            self.send(json.dumps({"jsonrpc": "2.0", "method": "notifications/cancelled",
                                  "params": {"requestId": f"gone{number}"}}))
            return None
        elif kind == 8:
            version = r.choice(LEGACY_VERSIONS + ["1999-01-01", MODERN])
            message = {"jsonrpc": "2.0", "id": ident, "method": "initialize",
                       "params": {"protocolVersion": version, "capabilities": {},
                                  "clientInfo": {"name": "soak", "version": "1"}}}
        else:
            message = {"jsonrpc": "2.0", "id": ident, "method": "tools/call",
                       "params": {"name": "tmux_sessions", "arguments": {"socket": self.socket},
                                  "_meta": {"io.modelcontextprotocol/protocolVersion": "2099-01-01"}}}
        self.send(json.dumps(message))
        return json.dumps(ident)

    def wait_for(self, expected, timeout=120):
        with self.lock:
            return self.lock.wait_for(lambda: all(self.answers.get(k, 0) >= n for k, n in expected.items()),
                                      timeout=timeout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--requests", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=1)
    options = parser.parse_args()
    binary = os.path.abspath(os.path.join(options.build, "mcp", "quillon-mcp"))

    with tempfile.TemporaryDirectory(prefix="quillon-soak") as home:
        env = {"PATH": "/usr/bin:/bin", "HOME": home, "TMUX_TMPDIR": home, "QUILLON_LANG": "en",
               "XDG_CONFIG_HOME": os.path.join(home, "config"), "XDG_STATE_HOME": os.path.join(home, "state")}
        socket = "soak"
        tmux = ["tmux", "-L", socket, "-f", "/dev/null"]
        for i in range(3):
            subprocess.run(tmux + ["new-session", "-d", "-s", f"s{i}", "sh"], env=env, check=True)
        try:
            soak = Soak(binary, socket, env, options.seed)
            warm_up = min(1000, options.requests // 10)
            expected = {}
            rss_warm = None
            # In rounds, each answered before the next: a flood would measure the queue, not the server.
            for start in range(0, options.requests, 100):
                for number in range(start, min(start + 100, options.requests)):
                    ident = soak.request(number)
                    if ident is not None:
                        expected[ident] = expected.get(ident, 0) + 1
                if not soak.wait_for(expected):
                    missing = [k for k, n in expected.items() if soak.answers.get(k, 0) < n]
                    print(f"unanswered after 120 s: {missing[:10]}", file=sys.stderr)
                    return 1
                if rss_warm is None and start + 100 >= warm_up:
                    rss_warm = rss_kib(soak.process.pid)
            rss_end = rss_kib(soak.process.pid)
            soak.process.stdin.close()
            soak.process.wait(timeout=30)
            soak.reader.join(timeout=10)
        finally:
            subprocess.run(tmux + ["kill-server"], env=env, stderr=subprocess.DEVNULL)

    # Broken lines that still carry an id ({"id":[1]}) are answered with it: not counted here.
    doubled = [k for k, n in soak.answers.items() if k in expected and n > expected[k]]
    print(f"requests {options.requests}, answers expected {sum(expected.values())}, "
          f"received {sum(soak.answers.values())}, unreadable lines {soak.unreadable}, doubled {len(doubled)}")
    print(f"RSS after warm-up {rss_warm} KiB, at the end {rss_end} KiB, growth {rss_end - rss_warm} KiB")
    fine = not doubled and soak.unreadable == 0 and rss_end - rss_warm < 1024
    if doubled:
        print(f"ids answered twice: {doubled[:10]}")
    print("ok" if fine else "FAILED")
    return 0 if fine else 1


if __name__ == "__main__":
    sys.exit(main())
