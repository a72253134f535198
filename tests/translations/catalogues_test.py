"""The catalogues against the code's texts.

Usage: catalogues_test.py LUPDATE SOURCE_DIR [LUPDATE OPTIONS...]

Checks that translations/*.ts hold exactly the texts the code marks for translation
(lupdate, run on copies, finds nothing new and nothing gone), that each text is
translated in at least one language (the French source texts in English, the English
ones in French), and that a translation keeps the placeholders of its source.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PLACEHOLDER = re.compile(r"%(?:\d|n|L\d)")


def messages(path):
    """(context, source, comment) -> list of translated texts (empty when unfinished)."""
    found = {}
    for context in ET.parse(path).getroot().findall("context"):
        name = context.findtext("name")
        for message in context.findall("message"):
            key = (name, message.findtext("source"), message.findtext("comment") or "")
            translation = message.find("translation")
            if translation.get("type") in ("unfinished", "vanished", "obsolete"):
                texts = []
            elif message.get("numerus") == "yes":
                texts = [form.text or "" for form in translation.findall("numerusform")]
            else:
                texts = [translation.text or ""]
            found[key] = [text for text in texts if text]
    return found


def main():
    lupdate, source_dir, options = sys.argv[1], sys.argv[2], sys.argv[3:]
    folder = os.path.join(source_dir, "translations")
    catalogues = sorted(name for name in os.listdir(folder) if name.endswith(".ts"))
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        copies = []
        for name in catalogues:
            copies.append(shutil.copy(os.path.join(folder, name), scratch))
        subprocess.run([lupdate, "-silent", *options, "app", "platform", "systree", "richprint", "-ts", *copies],
                       cwd=source_dir, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for name, copy in zip(catalogues, copies):
            kept, current = messages(os.path.join(folder, name)), messages(copy)
            for key in sorted(set(current) - set(kept)):
                failures.append(f"{name}: not in the catalogue (make translations): {key}")
            for key in sorted(set(kept) - set(current)):
                failures.append(f"{name}: no longer in the code (make translations): {key}")

    translated = [messages(os.path.join(folder, name)) for name in catalogues]
    for key in sorted(set().union(*translated)):
        texts = [text for catalogue in translated for text in catalogue.get(key, [])]
        if not texts:
            failures.append(f"translated in no language: {key}")
        for text in texts:
            if sorted(set(PLACEHOLDER.findall(text))) != sorted(set(PLACEHOLDER.findall(key[1]))):
                failures.append(f"placeholders differ: {key} -> {text!r}")

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
