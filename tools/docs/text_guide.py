#!/usr/bin/env python3
"""The user's guide as plain text for Notepad: Markdown's headings, lists,
tables, code and emphasis turned into text wrapped at 78 columns, with no
markup left. Tables too wide for the page become one block per column.
Each further file is added as an appendix; pictures are named in the
folder given (where the release keeps them beside the text); a section for
developers ("For developers") and what follows it is left out.
   text_guide.py [--pictures FOLDER] GUIDE.md [APPENDIX.md ...] > README.txt
"""
import re
import sys
import textwrap

WIDTH = 78


APPENDICES = set()  # the Markdown files added below the guide, by name
PICTURES = [""]      # the folder the text names pictures in


def link(text, target):
    """A link's text: a page of the guide's own becomes a pointer to its appendix."""
    name = target.split("/")[-1].split("#")[0]
    if name in APPENDICES:
        return f"{text} (in the appendix below)"
    if target.startswith("#") or name.endswith(".md"):
        return text
    return f"{text} ({target})"


def inline(text):
    """A line's text without Markdown's inline markup."""
    text = re.sub(r"!\[([^\]]*)\]\(([^)]+)\)",
                  lambda m: f"(picture: {m.group(1)}, {PICTURES[0]}{m.group(2).split('/')[-1]})", text)
    text = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", lambda m: link(m.group(1), m.group(2)), text)
    text = re.sub(r"`([^`]+)`", r"\1", text)
    text = re.sub(r"\*\*([^*]+)\*\*", r"\1", text)
    text = re.sub(r"(?<![\w*])\*([^*\s][^*]*)\*(?![\w*])", r"\1", text)
    text = re.sub(r"\\([\\*_#|`\[\]-])", r"\1", text)
    return text


def wrap(text, first="", rest=""):
    return textwrap.wrap(text, WIDTH, initial_indent=first, subsequent_indent=rest, break_long_words=True,
                         break_on_hyphens=False) or [first.rstrip()]


def cells(row):
    return [inline(cell.strip()) for cell in row.strip().strip("|").split("|")]


def table(rows):
    header, body = cells(rows[0]), [cells(row) for row in rows[2:]]
    widths = [max(len(row[i]) if i < len(row) else 0 for row in [header] + body) for i in range(len(header))]
    if sum(widths) + 2 * (len(widths) - 1) <= WIDTH:
        line = lambda row: "  ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip()  # noqa: E731
        return [line(header), "  ".join("-" * width for width in widths)] + [line(row) for row in body]
    if len(header) == 2 or len(header) == 3 and not header[2]:
        out = []
        for row in body:
            out += wrap(row[1], f"{row[0]}: ", "    ")
        return out
    # Too wide: one block per column after the first, which names each row.
    out = []
    for column in range(1, len(header)):
        if out:
            out.append("")
        out += wrap(header[column])
        for row in body:
            if column < len(row) and row[column]:
                out += wrap(row[column], f"  {row[0]}: ", "      ")
    return out


def render(markdown, appendix=False):
    lines = markdown.replace("\r", "").split("\n")
    out, paragraph, i = [], [], 0

    def flush():
        if paragraph:
            out.extend(wrap(inline(" ".join(paragraph))))
            out.append("")
            paragraph.clear()

    while i < len(lines):
        line = lines[i]
        stripped = line.strip()
        if re.match(r"^#+\s+For developers\s*$", line):
            break
        if stripped.startswith("```"):
            flush()
            i += 1
            while i < len(lines) and not lines[i].strip().startswith("```"):
                out.append(("    " + lines[i]).rstrip())
                i += 1
            out.append("")
        elif heading := re.match(r"^(#+)\s+(.*)", line):
            flush()
            title = inline(heading.group(2))
            level = len(heading.group(1))
            if appendix and level == 1:
                title = f"Appendix: {title}"
            out.append(title)
            if level <= 2:
                out.append(("=" if level == 1 else "-") * len(title))
            out.append("")
        elif stripped.startswith("|"):
            flush()
            rows = []
            while i < len(lines) and lines[i].strip().startswith("|"):
                rows.append(lines[i])
                i += 1
            out.extend(table(rows))
            out.append("")
            continue
        elif item := re.match(r"^(\s*)([-*]|\d+\.)\s+(.*)", line):
            flush()
            indent = " " * (len(item.group(1)) + 2)
            marker = "-" if item.group(2) in "-*" else item.group(2)
            text = [item.group(3)]
            while i + 1 < len(lines) and lines[i + 1].strip() and not re.match(r"^\s*([-*]|\d+\.)\s+", lines[i + 1]) \
                    and lines[i + 1].startswith(" ") and not lines[i + 1].strip().startswith(("|", "```")):
                i += 1
                text.append(lines[i].strip())
            out.extend(wrap(inline(" ".join(text)), f"{indent}{marker} ", indent + " " * (len(marker) + 1)))
            if i + 1 >= len(lines) or not lines[i + 1].strip():
                out.append("")
        elif not stripped:
            flush()
        else:
            paragraph.append(stripped)
        i += 1
    flush()
    return out


def main():
    files = sys.argv[1:]
    if files[:1] == ["--pictures"] and len(files) > 1:
        PICTURES[0] = files[1].rstrip("\\") + "\\"
        files = files[2:]
    if not files:
        sys.exit("usage: text_guide.py GUIDE.md [APPENDIX.md ...]")
    APPENDICES.update(name.split("/")[-1] for name in files[1:])
    out = []
    for number, name in enumerate(files):
        with open(name, encoding="utf-8") as source:
            out += render(source.read(), appendix=number > 0)
    while out and not out[-1]:
        out.pop()
    text = "\n".join(re.sub(r"\n{3,}", "\n\n", "\n".join(out)).split("\n"))
    sys.stdout.write(text + "\n")


main()
