#!/usr/bin/env python3
"""A plain export of the Messages database, for comparison with Varnholt's in the benchmark.

Reads the same rows with the same statements and writes the same three files per
conversation (JSON, HTML, TXT of the same shape: not byte for byte), with nothing but the
standard library: sqlite3 and json. No attachment files are copied.

    plain_export.py HOME OUTPUT
"""

import datetime
import html
import json
import os
import sqlite3
import sys

CHATS = """SELECT DISTINCT c.ROWID, c.guid, c.chat_identifier, c.service_name, c.display_name
FROM chat c JOIN chat_message_join cmj ON c.ROWID = cmj.chat_id ORDER BY c.ROWID"""

MESSAGES = """SELECT m.ROWID, m.guid, m.text, m.service, m.date, m.is_from_me, h.id, m.cache_has_attachments,
m.attributedBody
FROM message m JOIN chat_message_join cmj ON m.ROWID = cmj.message_id LEFT JOIN handle h ON m.handle_id = h.ROWID
WHERE cmj.chat_id = ? ORDER BY m.date"""

ATTACHMENTS = """SELECT a.ROWID, a.guid, a.filename, a.mime_type, a.total_bytes, a.is_sticker
FROM attachment a JOIN message_attachment_join maj ON a.ROWID = maj.attachment_id WHERE maj.message_id = ?"""

APPLE_EPOCH = datetime.datetime(2001, 1, 1, tzinfo=datetime.timezone.utc)
RULE = "=" * 80


def body_text(blob):
    """The archived string of an attributedBody: the bytes after NSString's "+" type, length first."""
    if not blob:
        return ""
    start = blob.find(b"NSString")
    plus = blob.find(b"+", start + 8) if start >= 0 else -1
    if plus < 0 or plus + 2 > len(blob):
        return ""
    k = plus + 1
    length = blob[k]
    k += 1
    if length == 0x81:
        length = int.from_bytes(blob[k:k + 2], "little")
        k += 2
    elif length == 0x82:
        length = int.from_bytes(blob[k:k + 4], "little")
        k += 4
    return blob[k:k + length].decode("utf-8", "replace")


def iso_date(raw):
    seconds = raw if abs(raw) < 1e11 else raw / 1e9
    return (APPLE_EPOCH + datetime.timedelta(seconds=int(seconds))).strftime("%Y-%m-%dT%H:%M:%SZ")


def safe_name(name, used, chat_id):
    cleaned = "".join("_" if c in '/\\?%*|"<>:\n\r\t\0' else c for c in name)[:200] or "conversation"
    if cleaned.lower() in used:
        cleaned = f"{cleaned} ({chat_id})"
    used.add(cleaned.lower())
    return cleaned


def main(home, output):
    database = sqlite3.connect(f"file:{home}/Library/Messages/chat.db?mode=ro", uri=True)
    database.text_factory = lambda data: data.decode("utf-8", "replace")
    folders = {kind: os.path.join(output, "messages", kind) for kind in ("json", "html", "txt")}
    for folder in folders.values():
        os.makedirs(folder, exist_ok=True)
    used = set()
    for chat_id, guid, identifier, service, display_name in database.execute(CHATS).fetchall():
        identifier = identifier or "unknown"
        service = service or "iMessage"
        name = display_name if display_name is not None else identifier
        messages = []
        for row in database.execute(MESSAGES, (chat_id,)):
            message_id, message_guid, text, message_service, date, from_me, sender, has_attachments, body = row
            message = {
                "id": message_id,
                "guid": message_guid or "",
                "text": text if text is not None else body_text(body),
                "date": iso_date(date or 0),
                "timestamp": date or 0,
                "is_from_me": from_me == 1,
            }
            if message_service is not None:
                message["service"] = message_service
            if sender is not None:
                message["sender"] = sender
            if has_attachments == 1:
                attachments = []
                for a_id, a_guid, filename, mime, size, sticker in database.execute(ATTACHMENTS, (message_id,)):
                    attachment = {"id": a_id, "guid": a_guid or "", "size": size or 0, "is_sticker": sticker == 1}
                    if filename is not None:
                        attachment["filename"] = filename
                        attachment["expanded_path"] = filename.replace("~", home)
                    if mime is not None:
                        attachment["mime_type"] = mime
                    attachments.append(attachment)
                if attachments:
                    message["attachments"] = attachments
            messages.append(message)

        file_name = safe_name(name, used, chat_id)
        record = {"chat_id": chat_id, "guid": guid or "", "participants": [identifier], "service": service,
                  "display_name": name, "message_count": len(messages), "messages": messages}
        with open(os.path.join(folders["json"], file_name + ".json"), "w", encoding="utf-8") as out:
            json.dump(record, out, indent=2, sort_keys=True, ensure_ascii=False)

        def sender_name(message):
            if message["is_from_me"]:
                return "Me"
            sender = message.get("sender", "Other")
            return name if sender == identifier else sender

        def attachment_names(message):
            return [os.path.basename(a["filename"]) for a in message.get("attachments", []) if "filename" in a]

        page = [f'<!DOCTYPE html>\n<html>\n<head>\n    <meta charset="UTF-8">\n    <title>{html.escape(name)}'
                f'</title>\n</head>\n<body>\n    <div class="header">\n        <h1>{html.escape(name)}</h1>\n'
                f'        <p>Service: {html.escape(service)} | Messages: {len(messages)}</p>\n    </div>']
        transcript = [f"{RULE}\nConversation: {name}\nService: {service}\nMessages: {len(messages)}\n{RULE}\n"]
        for message in messages:
            side = "from-me" if message["is_from_me"] else "from-other"
            page.append(f'<div class="message {side}">\n    <div><strong>{html.escape(sender_name(message))}'
                        f'</strong></div>\n    <div>{html.escape(message["text"]).replace(chr(10), "<br>")}</div>')
            names = attachment_names(message)
            if "attachments" in message:
                page.append("<div class='attachment'>" + "".join(f"\U0001F4CE {html.escape(n)} " for n in names)
                            + "</div>")
            page.append(f'    <div class="timestamp">{message["date"]}</div>\n</div>')
            transcript.append(f'[{message["date"]}] {sender_name(message)}: {message["text"]}\n')
            if "attachments" in message:
                transcript.append("  Attachments: " + "".join(n + " " for n in names) + "\n")
            transcript.append("\n")
        page.append("</body>\n</html>")
        with open(os.path.join(folders["html"], file_name + ".html"), "w", encoding="utf-8",
                  errors="surrogateescape") as out:
            out.write("".join(page))
        with open(os.path.join(folders["txt"], file_name + ".txt"), "w", encoding="utf-8",
                  errors="surrogateescape") as out:
            out.write("".join(transcript))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: plain_export.py HOME OUTPUT")
    main(sys.argv[1], sys.argv[2])
