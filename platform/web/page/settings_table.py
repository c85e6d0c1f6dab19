#!/usr/bin/env python3
"""Writes the page with the table of its settings, taken from the sample
MIRABO.INI: every key with its section, its default and the comment above
it, so that the page and the sample file never disagree.

  settings_table.py MIRABO.INI index.html OUT
"""

import html
import sys

PLACEHOLDER = "<!-- SETTINGS -->"


def read_settings(path):
    """[(section, key, default, meaning)] in the file's order."""
    with open(path, encoding="cp1252") as ini:
        lines = ini.read().splitlines()
    settings = []
    section = None
    comment = []
    for line in lines:
        text = line.strip()
        if text.startswith(";"):
            comment.append(text[1:].strip())
        elif text.startswith("[") and text.endswith("]"):
            section = text[1:-1]
            comment = []
        elif "=" in text and section is not None:
            key, default = text.split("=", 1)
            settings.append((section, key.strip(), default.strip(), " ".join(" ".join(comment).split())))
            comment = []
        elif not text:
            # A blank line ends a comment that belongs to no key.
            comment = []
    return settings


def table(settings):
    rows = ['<table id="ajustes">',
            '<thead><tr><th scope="col">Chave</th><th scope="col">Padrão</th>'
            '<th scope="col">Seção do MIRABO.INI</th><th scope="col">O que faz</th></tr></thead>',
            "<tbody>"]
    for section, key, default, meaning in settings:
        rows.append(f"<tr><td><code>{html.escape(key)}</code></td>"
                    f"<td><code>{html.escape(default)}</code></td>"
                    f"<td>{html.escape(section)}</td><td>{html.escape(meaning)}</td></tr>")
    rows += ["</tbody>", "</table>"]
    return "\n".join(rows)


def main(arguments):
    if len(arguments) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    ini_path, page_path, out_path = arguments
    settings = read_settings(ini_path)
    if not settings:
        print(f"no settings found in {ini_path}", file=sys.stderr)
        return 1
    with open(page_path, encoding="utf-8") as page:
        text = page.read()
    if text.count(PLACEHOLDER) != 1:
        print(f"{page_path} must hold {PLACEHOLDER} once", file=sys.stderr)
        return 1
    with open(out_path, "w", encoding="utf-8") as out:
        out.write(text.replace(PLACEHOLDER, table(settings)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
