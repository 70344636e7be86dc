"""A certificate authority made by openssl for one test run: a code-signing certificate it
issued (with its key, and both in a password-protected PKCS#12 file), a time-stamping
certificate, and an RFC 3161 time-stamping server on the loopback address."""

import http.server
import os
import shutil
import subprocess
import tempfile
import threading

EXTENSIONS = """\
[req]
distinguished_name = dn
prompt = no
[dn]
CN = {name}
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[code]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[tsa]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
"""

TSA_CONFIG = """\
[tsa]
default_tsa = throwaway
[throwaway]
serial = {folder}/tsa-serial
signer_cert = {folder}/tsa.pem
certs = {folder}/ca.pem
signer_key = {folder}/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
"""

PASSWORD = "throwaway password"


def available():
    return all(shutil.which(tool) for tool in ("openssl", "osslsigncode"))


def _openssl(*args, cwd):
    subprocess.run(["openssl"] + list(args), cwd=cwd, check=True, capture_output=True)


class ThrowawayCA:
    def __init__(self, folder, name="Throwaway Test CA"):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.config = os.path.join(folder, "openssl.cnf")
        with open(self.config, "w") as f:
            f.write(EXTENSIONS.format(name=name))
        _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
                 "-out", "ca.pem", "-days", "2", "-config", self.config, "-extensions", "ca",
                 cwd=folder)
        self.ca = os.path.join(folder, "ca.pem")
        self._issue("code", "Throwaway Publisher")
        self._issue("tsa", "Throwaway Time Stamps")
        self.key = os.path.join(folder, "code.key")
        self.cert = os.path.join(folder, "code.pem")
        self.pkcs12 = os.path.join(folder, "code.p12")
        _openssl("pkcs12", "-export", "-inkey", "code.key", "-in", "code.pem",
                 "-certfile", "ca.pem", "-out", "code.p12", "-passout", "pass:" + PASSWORD,
                 cwd=folder)
        self.pass_file = os.path.join(folder, "pass.txt")
        with open(self.pass_file, "w") as f:
            f.write(PASSWORD + "\n")

    def _issue(self, kind, name):
        _openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", kind + ".key",
                 "-out", kind + ".csr", "-subj", "/CN=" + name, cwd=self.folder)
        _openssl("x509", "-req", "-in", kind + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                 "-CAcreateserial", "-out", kind + ".pem", "-days", "2",
                 "-extfile", self.config, "-extensions", kind, cwd=self.folder)

    def timestamp_server(self):
        return TimestampServer(self.folder)


class TimestampServer:
    """An RFC 3161 server on 127.0.0.1 answering every request with `openssl ts -reply`;
    use as a context manager, `url` is its address, `requests` counts what it answered."""

    def __init__(self, folder):
        config = os.path.join(folder, "tsa.cnf")
        with open(config, "w") as f:
            f.write(TSA_CONFIG.format(folder=folder))
        with open(os.path.join(folder, "tsa-serial"), "w") as f:
            f.write("01\n")
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers["Content-Length"]))
                with tempfile.NamedTemporaryFile(dir=folder) as q:
                    q.write(query)
                    q.flush()
                    reply = subprocess.run(["openssl", "ts", "-reply", "-config", config,
                                            "-queryfile", q.name, "-out", "/dev/stdout"],
                                           capture_output=True).stdout
                server.requests += 1
                self.send_response(200)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *args):
                pass

        self.requests = 0
        self.httpd = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d" % self.httpd.server_address[1]

    def __enter__(self):
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.httpd.shutdown()
        self.httpd.server_close()
        self.thread.join()
