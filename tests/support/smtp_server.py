#!/usr/bin/python3
"""A real SMTP server on 127.0.0.1 for the tests (aiosmtpd), with faults.

smtp_server.py --port-file FILE --log FILE [--port N] [--tls CERT KEY] [--auth USER:PASSWORD]
               [--mode normal|refuse-rcpt|close-in-data|silent|silent-after-data|silent-at-quit|greet-421|slow]

silent-after-data logs the message it was sent and then never answers its
end; slow answers every command, each reply 0.6 s after it.

With --tls it offers STARTTLS and asks for it before AUTH and MAIL. Every
message it accepts is written to the log as one JSON line: the envelope,
the headers in order and each text part decoded.
"""
import argparse
import asyncio
import email
import email.policy
import json
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def parts_of(message):
    out = []
    for part in message.walk():
        if part.is_multipart():
            out.append({"type": part.get_content_type()})
            continue
        out.append({"type": part.get_content_type(),
                    "charset": part.get_content_charset(),
                    "encoding": part.get("Content-Transfer-Encoding"),
                    "text": part.get_content()})
    return out


class NotAcceptingMail(asyncio.Protocol):
    """Greets with 421, as a server that is busy or going down does, and hangs up."""

    def connection_made(self, transport):
        transport.write(b"421 4.3.2 mail.test Service not available, try again later\r\n")
        transport.close()


class Handler:
    def __init__(self, mode, log):
        self.mode = mode
        self.log = log

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.mode == "refuse-rcpt":
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.mode == "close-in-data":
            # The data arrived, but no answer to its end ever does.
            server.transport.close()
            return "421 closing"
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        record = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                  "headers": [[k, str(v)] for k, v in message.items()],
                  "parts": parts_of(message)}
        with open(self.log, "a", encoding="utf-8") as f:
            f.write(json.dumps(record) + "\n")
        if self.mode == "silent-after-data":
            # The message is here, but the sender never hears so: the
            # connection stays open and says nothing more.
            await asyncio.Event().wait()
        return "250 2.0.0 Message accepted for delivery"

    async def handle_QUIT(self, server, session, envelope):
        if self.mode == "silent-at-quit":
            # The message was taken; the goodbye never comes.
            await asyncio.Event().wait()
        return "221 Bye"


class SlowSMTP(SMTP):
    """Answers every command, each a while after it: never silent for long,
    but the whole exchange takes longer than a sender may wait."""

    async def push(self, status):
        text = status.decode() if isinstance(status, bytes) else status
        if len(text) < 4 or text[3] != "-":  # the last line of a reply
            await asyncio.sleep(0.6)
        await super().push(status)


def authenticator(expected):
    def check(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and f"{auth_data.login.decode()}:{auth_data.password.decode()}" == expected)
        return AuthResult(success=ok, handled=False)
    return check


async def main():
    p = argparse.ArgumentParser()
    p.add_argument("--port-file", required=True)
    p.add_argument("--log", required=True)
    p.add_argument("--tls", nargs=2)
    p.add_argument("--auth")
    p.add_argument("--mode", default="normal")
    p.add_argument("--port", type=int, default=0)  # a server back on the port it had
    a = p.parse_args()

    loop = asyncio.get_running_loop()
    if a.mode == "silent":
        # Takes the connection and never says a word.
        server = await loop.create_server(asyncio.Protocol, "127.0.0.1", a.port)
    elif a.mode == "greet-421":
        server = await loop.create_server(NotAcceptingMail, "127.0.0.1", a.port)
    else:
        context = None
        if a.tls:
            context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            context.load_cert_chain(a.tls[0], a.tls[1])
        kwargs = {"tls_context": context, "require_starttls": bool(context)}
        if a.auth:
            kwargs.update(authenticator=authenticator(a.auth), auth_required=True,
                          auth_require_tls=bool(context))
        handler = Handler(a.mode, a.log)
        kind = SlowSMTP if a.mode == "slow" else SMTP
        server = await loop.create_server(lambda: kind(handler, hostname="mail.test", **kwargs),
                                          "127.0.0.1", a.port)
    port = server.sockets[0].getsockname()[1]
    with open(a.port_file + ".part", "w") as f:
        f.write(str(port))
    os.replace(a.port_file + ".part", a.port_file)
    await asyncio.Event().wait()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
