#!/usr/bin/env python3
"""Alters sealed Writer documents the way an attacker with a text editor and a zip tool would.

usage: tamper.py STAMPED.odt CERTIFICATE.odt OUTDIR

STAMPED carries a document seal and a signed field; CERTIFICATE carries one certificate seal.
Every altered copy goes to OUTDIR, and OUTDIR/expected.json says what each must read as: its
"status", "not valid" (invalid, unsigned or unreadable) or, for an alteration of nothing that is
signed, "as the original"; and the kind of seal ("document", "field", "certificate") that must
read invalid in it. An alteration whose target is missing from the source is an error, so a copy
never quietly equals its source.
"""

import json
import re
import sys
import zipfile

MEGABYTE = 1 << 20


class Missing(Exception):
    pass


def read_odt(path):
    with zipfile.ZipFile(path) as archive:
        return [(info, archive.read(info)) for info in archive.infolist()]


def write_odt(path, entries, content):
    # The mimetype stays first and stored, as ODF asks.
    with zipfile.ZipFile(path, "w") as archive:
        for info, data in entries:
            if info.filename == "content.xml":
                data = content.encode("utf-8")
            compression = zipfile.ZIP_STORED if info.filename == "mimetype" else zipfile.ZIP_DEFLATED
            archive.writestr(info.filename, data, compress_type=compression)


def content_of(entries):
    for info, data in entries:
        if info.filename == "content.xml":
            return data.decode("utf-8")
    raise Missing("content.xml")


def attribute_text(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def element_text(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def field_decl(content, name):
    """The span of the string value of user field `name`."""
    for match in re.finditer(r"<text:user-field-decl\b[^>]*>", content):
        tag = match.group(0)
        if 'text:name="%s"' % attribute_text(name) not in tag:
            continue
        value = re.search(r'office:string-value="([^"]*)"', tag)
        if value:
            return match.start() + value.start(1), match.start() + value.end(1)
    raise Missing("user field " + name)


def set_field(content, name, raw_value):
    start, end = field_decl(content, name)
    return content[:start] + raw_value + content[end:]


def get_field(content, name):
    start, end = field_decl(content, name)
    return content[start:end]


def annotations(content):
    return list(re.finditer(r"<office:annotation\b[^>]*>.*?</office:annotation>", content, re.S))


def marker(content, field, kind):
    """The first annotation whose text is FIELD__@*KIND@."""
    wanted = element_text("%s__@*%s@" % (field, kind))
    for match in annotations(content):
        if re.search(r"<text:p[^>]*>%s</text:p>" % re.escape(wanted), match.group(0)):
            return match
    raise Missing("%s marker of %s" % (kind, field))


def creator_span(content, annotation):
    creator = re.search(r"<dc:creator>([^<]*)</dc:creator>", annotation.group(0))
    if creator:
        return annotation.start() + creator.start(1), annotation.start() + creator.end(1)
    # An annotation without author: the creator goes in front of its date.
    raise Missing("author of the start marker")


def set_author(content, field, raw_value):
    start, end = creator_span(content, marker(content, field, "Start"))
    return content[:start] + raw_value + content[end:]


def get_author(content, field):
    start, end = creator_span(content, marker(content, field, "Start"))
    return content[start:end]


def body_text_nodes(content):
    """Spans of character data in the body, outside annotations, frames and declarations."""
    body_start = content.index("<office:text")
    body_end = content.index("</office:text>")
    hidden = [
        (m.start(), m.end())
        for pattern in (
            r"<office:annotation\b.*?</office:annotation>",
            r"<draw:frame\b.*?</draw:frame>",
            r"<text:[a-z-]*-decls>.*?</text:[a-z-]*-decls>",
        )
        for m in re.finditer(pattern, content, re.S)
    ]
    for match in re.finditer(r">([^<]+)<", content[body_start:body_end]):
        start = body_start + match.start(1)
        if not any(a <= start < b for a, b in hidden) and match.group(1).strip():
            yield start, body_start + match.end(1)


def change_character(content, start):
    old = content[start]
    new = "改" if old != "改" else "变"
    return content[:start] + new + content[start + 1 :]


def change_outside_field(content, field):
    end_marker = marker(content, field, "End")
    after = [span for span in body_text_nodes(content) if span[0] >= end_marker.end()]
    if not after:
        raise Missing("text after the field")
    return change_character(content, after[-1][0])


def change_inside_field(content, field):
    start_marker = marker(content, field, "Start")
    end_marker = marker(content, field, "End")
    inside = [
        span
        for span in body_text_nodes(content)
        if start_marker.end() <= span[0] < end_marker.start()
    ]
    if not inside:
        raise Missing("text inside the field")
    return change_character(content, inside[0][0])


def signature_variants(signature, foreign):
    """Every way the attacker has of changing a stored signature text (raw XML values)."""
    half = len(signature) // 2
    return {
        "truncated": signature[:half],
        "one-character-short": signature[:-1],
        "doubled": signature + signature,
        "1mb-long": (signature * (MEGABYTE // len(signature) + 1))[:MEGABYTE],
        # A NUL cannot stand in XML at all: the reader must refuse the file, not read it valid.
        "holding-a-nul": signature[:half] + "&#0;" + signature[half:],
        "not-base64": attribute_text("这不是签名 <>&\"'%s%n"),
        "empty": "",
        "from-another-seal": foreign,
    }


def remove(content, match):
    return content[: match.start()] + content[match.end() :]


def rename_field(content, old, new):
    renamed = content
    for kind in ("Start", "End"):
        wanted = element_text("%s__@*%s@" % (old, kind))
        if wanted not in renamed:
            raise Missing("%s marker of %s" % (kind, old))
        renamed = renamed.replace(wanted, element_text("%s__@*%s@" % (new, kind)))
    return renamed


def rename_seal(content, old, new):
    renamed = content
    for suffix in ("Cert", "Sign"):
        wanted = 'text:name="%s"' % attribute_text(old + suffix)
        if wanted not in renamed:
            raise Missing("user field " + old + suffix)
        renamed = renamed.replace(wanted, 'text:name="%s"' % attribute_text(new + suffix))
    wanted = 'StamperName="%s"' % attribute_text(old)
    if wanted not in renamed:
        raise Missing("StamperName " + old)
    return renamed.replace(wanted, 'StamperName="%s"' % attribute_text(new))


def certificate_seal_name(content):
    match = re.search(r'text:name="([^"]*)Cert"', content)
    if not match:
        raise Missing("a certificate seal's Cert field")
    return match.group(1)


def stamped_alterations(content, field):
    document_signature = get_field(content, "newSignatureType")
    field_signature = get_author(content, field)
    altered = {
        "document-text-changed-outside-the-field": change_outside_field(content, field),
        "document-text-changed-inside-the-field": change_inside_field(content, field),
    }
    for name, value in signature_variants(document_signature, field_signature).items():
        altered["document-signature-" + name] = set_field(content, "newSignatureType", value)
    for name, value in signature_variants(field_signature, document_signature).items():
        altered["field-signature-" + name] = set_author(content, field, value)

    # A copy of the signed start marker at the start of its paragraph claims the text before the
    # field as signed too.
    start = marker(content, field, "Start")
    openings = [m for m in re.finditer(r"<text:p\b[^>]*[^/]>", content[: start.start()])]
    if not openings:
        raise Missing("the paragraph of the start marker")
    at = openings[-1].end()
    altered["field-start-marker-duplicated"] = content[:at] + start.group(0) + content[at:]
    # The signed region copied, markers and all, before or after the original, which is then
    # changed: the copy must not vouch for the changed original beside the seal.
    end = marker(content, field, "End")
    region = content[start.start() : end.end()]
    changed = change_inside_field(content, field)
    altered["field-region-copied-before-and-original-changed"] = (
        changed[:at] + region + changed[at:]
    )
    paragraph_end = changed.index("</text:p>", marker(changed, field, "End").end())
    altered["field-region-copied-after-and-original-changed"] = (
        changed[:paragraph_end] + region + changed[paragraph_end:]
    )
    altered["field-end-marker-missing"] = remove(content, marker(content, field, "End"))
    altered["field-start-marker-missing"] = remove(content, start)
    altered["field-author-not-a-signature"] = set_author(content, field, attribute_text("张三"))
    # The seal's picture keeps its marks but loses the signature it stood for.
    altered["seal-picture-without-its-signature"] = set_field(content, "newSignatureType", "")
    return altered


def certificate_alterations(content, foreign):
    seal = certificate_seal_name(content)
    certificate = get_field(content, seal + "Cert")
    signature = get_field(content, seal + "Sign")
    altered = {}
    for name, value in signature_variants(signature, foreign).items():
        altered["certificate-signature-" + name] = set_field(content, seal + "Sign", value)
    swapped = set_field(content, seal + "Cert", signature)
    altered["certificate-cert-and-sign-swapped"] = set_field(swapped, seal + "Sign", certificate)
    altered["certificate-cert-not-base64"] = set_field(content, seal + "Cert", "@@@@")
    altered["certificate-cert-truncated"] = set_field(
        content, seal + "Cert", certificate[: len(certificate) // 2]
    )
    # StamperName on a picture whose fields are gone: an ordinary picture dressed as a seal.
    without = set_field(set_field(content, seal + "Cert", ""), seal + "Sign", "")
    altered["certificate-picture-without-its-fields"] = without
    return altered


def renamed_alterations(stamped, certificate, field):
    """Names an attacker picks to lead a picture file out of its folder. A renamed field leaves
    its seal picture claiming a field that is gone; a seal's name is not signed, so a renamed
    certificate seal reads as its original did. Neither may lead a file out of the folder."""
    names = {
        "parent": "../../escaped",
        "backslashes": "..\\..\\escaped",
        "absolute": "/tmp/escaped",
        "url": "file:///tmp/escaped",
    }
    altered = {}
    for label, name in names.items():
        altered["field-named-" + label] = rename_field(stamped, field, name)
        altered["certificate-seal-named-" + label] = rename_seal(
            certificate, certificate_seal_name(certificate), name
        )
    return altered


def main(arguments):
    if len(arguments) != 3:
        sys.stderr.write(__doc__)
        return 2
    stamped_path, certificate_path, out = arguments
    stamped_entries = read_odt(stamped_path)
    certificate_entries = read_odt(certificate_path)
    stamped = content_of(stamped_entries)
    certificate = content_of(certificate_entries)
    field = "contract"

    # Each copy: its source, its alterations, what the whole file must read as, and which kind of
    # seal in it must read invalid (every seal of that kind).
    renamed = renamed_alterations(stamped, certificate, field)
    stamped_altered = stamped_alterations(stamped, field)
    plans = [
        (stamped_entries, {k: v for k, v in stamped_altered.items() if not k.startswith("field")},
         "not valid", "document"),
        (stamped_entries, {k: v for k, v in stamped_altered.items() if k.startswith("field")},
         "not valid", "field"),
        (certificate_entries,
         certificate_alterations(certificate, get_field(stamped, "newSignatureType")),
         "not valid", "certificate"),
        # The renamed field verifies under its new name; its seal picture, still named for the
        # old field, reads as a seal whose signature is lost.
        (stamped_entries, {k: v for k, v in renamed.items() if k.startswith("field")},
         "not valid", None),
        (certificate_entries, {k: v for k, v in renamed.items() if k.startswith("certificate")},
         "as the original", None),
    ]
    expected = {}
    for entries, alterations, status, invalid_kind in plans:
        source = content_of(entries)
        for name, content in alterations.items():
            if content == source:
                raise Missing("the alteration " + name + " changed nothing")
            write_odt("%s/%s.odt" % (out, name), entries, content)
            expected[name + ".odt"] = {"status": status, "invalid seals": invalid_kind}
    with open(out + "/expected.json", "w", encoding="utf-8") as manifest:
        json.dump(expected, manifest, ensure_ascii=False, indent=1)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except Missing as missing:
        sys.stderr.write("tamper.py: not found in the source document: %s\n" % missing)
        sys.exit(1)
