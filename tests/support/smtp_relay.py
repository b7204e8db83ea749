#!/usr/bin/python3
"""SMTP relay for the tests, on loopback only.

Listens on an ephemeral port, prints "PORT <n>" once ready, and stops when its
standard input closes. With --cert/--key it offers STARTTLS and requires it
before AUTH and MAIL; without them it offers AUTH in clear, so a client that
insists on STARTTLS must refuse to go on. AUTH LOGIN and PLAIN accept one
user and password.

Every AUTH attempt is appended to <folder>/auth.log (mechanism, login, result,
whether TLS was on; never the password). Every accepted message is stored as
<folder>/NNNN.eml and, decoded with Python's e-mail parser, as NNNN.json.
"""

import argparse
import asyncio
import base64
import json
import os
import sys
from email import policy
from email.parser import BytesParser

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def write_atomically(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def describe(raw, envelope, session):
    msg = BytesParser(policy=policy.default).parsebytes(raw)
    defects = [str(d) for part in msg.walk() for d in part.defects]
    body = msg.get_body(preferencelist=("plain",))
    attachments = []
    for part in msg.iter_attachments():
        attachments.append({
            "filename": part.get_filename() or "",
            "content_type": part.get_content_type(),
            "data": base64.b64encode(part.get_payload(decode=True) or b"").decode("ascii"),
        })
    lines = raw.split(b"\r\n")
    return {
        "mail_from": envelope.mail_from,
        "rcpt_tos": list(envelope.rcpt_tos),
        "tls": session.ssl is not None,
        "authenticated": bool(session.authenticated),
        "subject": str(msg["subject"] or ""),
        "from": str(msg["from"] or ""),
        "to": str(msg["to"] or ""),
        "cc": str(msg["cc"] or ""),
        "date": str(msg["date"] or ""),
        "message_id": str(msg["message-id"] or ""),
        "mime_version": str(msg["mime-version"] or ""),
        "content_type": msg.get_content_type(),
        "body_content_type": body.get_content_type() if body else "",
        "body_charset": (body.get_content_charset() or "") if body else "",
        "body_transfer_encoding": str(body["content-transfer-encoding"] or "") if body else "",
        "body": body.get_content() if body else "",
        "attachments": attachments,
        "defects": defects,
        "longest_line": max((len(line) for line in lines), default=0),
        "bare_line_feeds": raw.replace(b"\r\n", b"").count(b"\n"),
        "non_ascii_bytes": sum(1 for b in raw if b > 127),
    }


class Store:
    def __init__(self, folder, user, password):
        self.folder = folder
        self.user = user
        self.password = password
        self.count = 0

    def authenticate(self, server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode("utf-8", "replace") == self.user
              and auth_data.password.decode("utf-8", "replace") == self.password)
        login = auth_data.login.decode("utf-8", "replace") if isinstance(auth_data, LoginPassword) else ""
        with open(os.path.join(self.folder, "auth.log"), "a", encoding="utf-8") as f:
            f.write("%s %s %s %s\n" % (mechanism, login, "OK" if ok else "REFUSE",
                                       "TLS" if session.ssl is not None else "CLAIR"))
        return AuthResult(success=ok, handled=False)

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%04d" % self.count)
        raw = envelope.original_content or envelope.content
        write_atomically(base + ".eml", raw)
        info = describe(raw, envelope, session)
        write_atomically(base + ".json", json.dumps(info, ensure_ascii=False).encode("utf-8"))
        return "250 2.0.0 Message accepted"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()

    tls_context = None
    if args.cert:
        import ssl
        tls_context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        tls_context.load_cert_chain(args.cert, args.key)

    store = Store(args.folder, args.user, args.password)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)

    def factory():
        return SMTP(store, hostname="relais.tresoline.test", tls_context=tls_context,
                    require_starttls=tls_context is not None, auth_required=True,
                    auth_require_tls=tls_context is not None, authenticator=store.authenticate,
                    loop=loop)

    server = loop.run_until_complete(loop.create_server(factory, host="127.0.0.1", port=0))
    port = server.sockets[0].getsockname()[1]
    loop.add_reader(sys.stdin.fileno(), lambda: loop.stop() if not os.read(sys.stdin.fileno(), 1024) else None)
    print("PORT %d" % port, flush=True)
    try:
        loop.run_forever()
    finally:
        server.close()


if __name__ == "__main__":
    main()
