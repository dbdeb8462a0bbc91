#!/usr/bin/env python3
"""Real servers on 127.0.0.1 for the publish tests, each in a throw-away folder.

SshServer runs an unprivileged OpenSSH sshd (its own config, host key and authorized keys, a free
port) for the current user, whose test HOME holds the user key in ~/.ssh. FtpsServer runs
pyftpdlib with explicit TLS and a certificate made by openssl; a flag file makes every upload fail
as on a full disk, another makes each upload wait a while (a slow line). Run as "servers.py ftps ..." the module is the FTPS server process itself.
"""
import getpass
import os
import signal
import socket
import subprocess
import sys
import time

# pyftpdlib is the system's package: its server runs on the system's Python.
SYSTEM_PYTHON = "/usr/bin/python3"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, process, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        if process.poll() is not None:
            raise RuntimeError(f"server exited with {process.returncode}")
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError(f"server on port {port} did not start")


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_key(path):
    run("ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "albumon-test", "-f", path)


def key_fingerprint(public_key_path):
    out = subprocess.run(["ssh-keygen", "-l", "-E", "sha256", "-f", public_key_path],
                         check=True, capture_output=True, text=True).stdout
    return out.split()[1]


class SshServer:
    """sshd for the current user; home is the test HOME holding ~/.ssh/id_ed25519."""

    def __init__(self, root, home):
        self.root = os.path.join(root, "sshd")
        os.makedirs(self.root, exist_ok=True)
        self.home = home
        os.makedirs(os.path.join(home, ".ssh"), mode=0o700, exist_ok=True)
        self.user_key = os.path.join(home, ".ssh", "id_ed25519")
        if not os.path.exists(self.user_key):
            make_key(self.user_key)
        with open(self.user_key + ".pub") as f, \
                open(os.path.join(self.root, "authorized_keys"), "w") as out:
            out.write(f.read())
        self.port = free_port()
        self.process = None
        self.new_host_key()

    def new_host_key(self):
        """A fresh host key: the server is then one the known hosts have not seen."""
        self.host_key = os.path.join(self.root, "host_ed25519")
        for path in (self.host_key, self.host_key + ".pub"):
            if os.path.exists(path):
                os.remove(path)
        make_key(self.host_key)

    def host_fingerprint(self):
        return key_fingerprint(self.host_key + ".pub")

    def known_hosts_line(self):
        with open(self.host_key + ".pub") as f:
            kind, blob = f.read().split()[:2]
        return f"[127.0.0.1]:{self.port} {kind} {blob}\n"

    def trust(self):
        with open(os.path.join(self.home, ".ssh", "known_hosts"), "a") as f:
            f.write(self.known_hosts_line())

    def start(self):
        config = os.path.join(self.root, "sshd_config")
        with open(config, "w") as f:
            f.write(f"""Port {self.port}
ListenAddress 127.0.0.1
HostKey {self.host_key}
PidFile {self.root}/sshd.pid
AuthorizedKeysFile {self.root}/authorized_keys
StrictModes no
UsePAM no
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
Subsystem sftp internal-sftp
LogLevel ERROR
""")
        if os.geteuid() == 0:
            os.makedirs("/run/sshd", mode=0o755, exist_ok=True)
        with open(os.path.join(self.root, "log"), "a") as log:
            self.process = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", config],
                                            stdout=subprocess.DEVNULL, stderr=log)
        wait_for_port(self.port, self.process)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.kill_sessions()
            self.process.terminate()
            self.process.wait(10)

    def kill_sessions(self):
        """Kills the processes serving connections (the listener's descendants)."""
        children = descendants(self.process.pid)
        for pid in children:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        return len(children)

    def destination(self, folder):
        return f"sftp://{getpass.getuser()}@127.0.0.1:{self.port}{folder.rstrip('/')}/"


def descendants(pid):
    result, parents = [], {pid}
    while parents:
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/stat") as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            if ppid in parents:
                found.append(int(entry))
        result += found
        parents = set(found)
    return result


class FtpsServer:
    """pyftpdlib with explicit TLS for one user whose home is root/ftp."""

    def __init__(self, root, user="albumon", password="S3cret-Pass-91"):
        self.root = os.path.join(root, "ftps")
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.home, exist_ok=True)
        self.user, self.password = user, password
        self.cert = os.path.join(self.root, "cert.pem")
        self.key = os.path.join(self.root, "key.pem")
        self.full_flag = os.path.join(self.root, "full")
        self.slow_flag = os.path.join(self.root, "slow")
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
            "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
            "-keyout", self.key, "-out", self.cert)
        self.port = free_port()
        self.process = None

    def certificate_fingerprint(self):
        out = subprocess.run(["openssl", "x509", "-noout", "-fingerprint", "-sha256",
                              "-in", self.cert], check=True, capture_output=True,
                             text=True).stdout
        return "SHA256:" + out.strip().split("=", 1)[1]

    def start(self):
        env = dict(os.environ, FTPS_PASSWORD=self.password)
        with open(os.path.join(self.root, "log"), "a") as log:
            self.process = subprocess.Popen(
                [SYSTEM_PYTHON, os.path.abspath(__file__), "ftps", self.home, str(self.port),
                 self.cert, self.key, self.user, self.full_flag, self.slow_flag],
                env=env, stdout=subprocess.DEVNULL, stderr=log)
        wait_for_port(self.port, self.process)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)

    def destination(self, folder):
        return f"ftps://{self.user}@127.0.0.1:{self.port}/{folder.strip('/')}/"


def serve_ftps(home, port, cert, key, user, full_flag, slow_flag):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
    from OpenSSL import SSL
    from pyftpdlib.servers import FTPServer

    class DataChannel(TLS_DTPHandler):
        # libcurl begins TLS on a data connection before it sends the transfer command; this
        # pyftpdlib would take the early bytes for a hang-up.
        def readable(self):
            return self._ssl_accepting or super().readable()

    class Handler(TLS_FTPHandler):
        dtp_handler = DataChannel

        def ftp_STOR(self, file, mode="w"):
            if os.path.exists(full_flag):
                self.respond("552 Requested file action aborted: exceeded storage allocation.")
                return
            if os.path.exists(slow_flag):
                time.sleep(0.4)
            return super().ftp_STOR(file, mode)

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, os.environ["FTPS_PASSWORD"], home, perm="elradfmwMT")
    Handler.authorizer = authorizer
    Handler.certfile, Handler.keyfile = cert, key
    Handler.tls_control_required = Handler.tls_data_required = True
    Handler.ssl_options = SSL.OP_NO_SSLv2 | SSL.OP_NO_SSLv3 | SSL.OP_NO_TLSv1_3
    Handler.passive_ports = None
    server = FTPServer(("127.0.0.1", int(port)), Handler)
    server.serve_forever()


if __name__ == "__main__" and sys.argv[1:2] == ["ftps"]:
    serve_ftps(*sys.argv[2:9])
