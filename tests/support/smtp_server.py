"""A loopback SMTP server for the tests, and a reader for what it received.

Serve:  smtp_server.py serve --mode plain|starttls|silent|stall --dir DIR
                       [--cert FILE --key FILE] [--user U --password P]
  Listens on 127.0.0.1 at a free port and prints "PORT n" when ready; runs
  until its standard input closes. Each message is written to DIR as
  NNNN.eml (the content as received) and NNNN.json (envelope sender,
  recipients, whether the session was encrypted and authenticated). Every
  login attempt is appended to DIR/auth.log as "user<TAB>tls|plain<TAB>ok|refused".
  A recipient starting with "refuse@" is refused (550).
  plain: no encryption; a login is accepted in clear (so a client that
         offers its credentials in clear is caught doing so).
  starttls: STARTTLS required before anything else, login required.
  silent: accepts connections and never says a word.
  stall: plain SMTP without login that takes the whole message after DATA
         and then never answers again (NOOP, MAIL and RCPT are answered);
         each message so held is written to DIR as NNNN.held.

Parse:  smtp_server.py parse FILE OUTDIR
  Prints the message as JSON (headers decoded, text, attachments saved
  under OUTDIR by index).
"""

import argparse
import asyncio
import email
import email.policy
import json
import os
import socket
import ssl
import sys
import threading


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_atomic(path, data):
    tmp = path + ".part"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def serve(args):
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult, LoginPassword

    lock = threading.Lock()
    counter = [0]

    def log_auth(line):
        with lock:
            with open(os.path.join(args.dir, "auth.log"), "a") as f:
                f.write(line + "\n")

    def authenticator(server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        user = auth_data.login.decode("utf-8", "replace")
        ok = auth_data.login.decode() == args.user and auth_data.password.decode() == args.password
        tls = "tls" if session.ssl is not None else "plain"
        log_auth("%s\t%s\t%s" % (user, tls, "ok" if ok else "refused"))
        return AuthResult(success=ok, handled=False)

    class Handler:
        async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
            if address.startswith("refuse@"):
                return "550 5.1.1 No such mailbox"
            envelope.rcpt_tos.append(address)
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            with lock:
                counter[0] += 1
                n = counter[0]
            base = os.path.join(args.dir, "%04d" % n)
            content = envelope.original_content or envelope.content
            if isinstance(content, str):
                content = content.encode("utf-8")
            write_atomic(base + ".eml", content)
            write_atomic(base + ".json", json.dumps({
                "from": envelope.mail_from,
                "rcpt": envelope.rcpt_tos,
                "tls": session.ssl is not None,
                "authenticated": bool(session.authenticated),
            }).encode("utf-8"))
            return "250 Message accepted"

    port = free_port()
    kwargs = dict(hostname="127.0.0.1", port=port, authenticator=authenticator,
                  decode_data=False)
    if args.mode == "starttls":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        kwargs.update(tls_context=context, require_starttls=True, auth_required=True,
                      auth_require_tls=True)
    else:
        kwargs.update(auth_required=False, auth_require_tls=False)
    controller = Controller(Handler(), **kwargs)
    controller.start()
    print("PORT %d" % port, flush=True)
    sys.stdin.read()
    controller.stop()


def silent(args):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    held = []

    def accept():
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            held.append(conn)

    threading.Thread(target=accept, daemon=True).start()
    print("PORT %d" % listener.getsockname()[1], flush=True)
    sys.stdin.read()
    listener.close()


def stall(args):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    lock = threading.Lock()
    counter = [0]

    def session(conn):
        with conn:
            reader = conn.makefile("rb")
            conn.sendall(b"220 stall.test ESMTP\r\n")
            for line in reader:
                verb = line.strip().split(b" ")[0].upper()
                if verb == b"EHLO":
                    conn.sendall(b"250-stall.test\r\n250 8BITMIME\r\n")
                elif verb == b"QUIT":
                    conn.sendall(b"221 Bye\r\n")
                    return
                elif verb == b"DATA":
                    conn.sendall(b"354 End data with <CR><LF>.<CR><LF>\r\n")
                    content = b""
                    for data in reader:
                        if data == b".\r\n":
                            break
                        content += data
                    with lock:
                        counter[0] += 1
                        n = counter[0]
                    write_atomic(os.path.join(args.dir, "%04d.held" % n), content)
                    # Held: whatever comes now (QUIT above all) goes unanswered.
                    for _ in reader:
                        pass
                    return
                else:
                    conn.sendall(b"250 OK\r\n")

    def accept():
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=session, args=(conn,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    print("PORT %d" % listener.getsockname()[1], flush=True)
    sys.stdin.read()
    listener.close()


def parse(args):
    with open(args.file, "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    text = None  # as decoded, line breaks as they travelled
    attachments = []
    defects = [type(d).__name__ for part in msg.walk() for d in part.defects]
    for part in msg.walk():
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            path = os.path.join(args.outdir, "attachment-%d" % len(attachments))
            with open(path, "wb") as out:
                out.write(part.get_payload(decode=True))
            attachments.append({
                "filename": part.get_filename(),
                "contentType": part.get_content_type(),
                "encoding": part.get("Content-Transfer-Encoding", ""),
                "path": path,
            })
        elif part.get_content_type() == "text/plain" and text is None:
            text = part.get_content()
    print(json.dumps({
        "from": str(msg.get("From", "")),
        "to": str(msg.get("To", "")),
        "subject": str(msg.get("Subject", "")),
        "mimeVersion": str(msg.get("MIME-Version", "")),
        "textCharset": "" if text is None else str(
            next(p for p in msg.walk() if p.get_content_type() == "text/plain").get_content_charset()),
        "text": text or "",
        "attachments": attachments,
        "defects": defects,
    }))


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    s = sub.add_parser("serve")
    s.add_argument("--mode", choices=["plain", "starttls", "silent", "stall"], required=True)
    s.add_argument("--dir", default=".")
    s.add_argument("--cert")
    s.add_argument("--key")
    s.add_argument("--user", default="")
    s.add_argument("--password", default="")
    p = sub.add_parser("parse")
    p.add_argument("file")
    p.add_argument("outdir")
    args = parser.parse_args()
    if args.command == "parse":
        parse(args)
    elif args.mode == "silent":
        silent(args)
    elif args.mode == "stall":
        stall(args)
    else:
        serve(args)


if __name__ == "__main__":
    main()
