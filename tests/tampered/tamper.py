#!/usr/bin/env python3
"""Alters sealed Writer documents the way an attacker with a text editor and a zip tool would.

usage: tamper.py STAMPED.odt CERTIFICATE.odt OUTDIR [NOTICE.odt FOREIGN.odt PICTURE]

STAMPED carries a document seal and a signed field; CERTIFICATE carries one certificate seal.
NOTICE is a stamped notice with something in every part a seal covers (a table with the amount
壹拾万元整, a text frame with a bank account, a header and a footer, a footnote, an endnote, a
picture named "logo", a drawing shape with text and the section "internal"); FOREIGN is
a document stamped with another organisation's seal, whose seal picture and coverage the forger
takes; PICTURE is another picture file, put in place of the notice's picture.

Every altered copy goes to OUTDIR, and OUTDIR/expected.json says what each must read as: its
"status", "not valid" (invalid, unsigned or unreadable), "valid", or for an alteration of nothing
that is signed, "as the original"; and the kind of seal ("document", "field", "certificate") that
must read invalid in it. Copies of the notice also say what its document seal reads: "changed",
the parts it must name as changed, or "reason", its verdict ("{signer}" standing for the
organisation of the seal that signed), and "scope". An alteration whose target is missing from
the source is an error, so a copy never quietly equals its source.
"""

import html
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


def write_odt(path, entries, changes):
    """Writes the entries with `changes` (file name to its new text or bytes) put in."""
    # The mimetype stays first and stored, as ODF asks.
    with zipfile.ZipFile(path, "w") as archive:
        for info, data in entries:
            data = changes.get(info.filename, data)
            if isinstance(data, str):
                data = data.encode("utf-8")
            compression = zipfile.ZIP_STORED if info.filename == "mimetype" else zipfile.ZIP_DEFLATED
            archive.writestr(info.filename, data, compress_type=compression)


def entry_of(entries, name):
    for info, data in entries:
        if info.filename == name:
            return data
    raise Missing(name)


def content_of(entries, name="content.xml"):
    return entry_of(entries, name).decode("utf-8")


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


def required(match, what):
    if not match:
        raise Missing(what)
    return match


def replace_once(text, old, new, what):
    """`old` replaced by `new` where it stands exactly once in `text`."""
    if text.count(old) != 1:
        raise Missing("%s (%r found %d times)" % (what, old, text.count(old)))
    return text.replace(old, new)


def add_automatic_style(content, style):
    """Adds a style of the document's own, as a forger's editor writes one for a change."""
    return replace_once(content, "</office:automatic-styles>", style + "</office:automatic-styles>",
                        "the automatic styles")


def formatted(content, word, style_name, properties):
    """`word` in a span of a new text style with `properties` (attributes of its text)."""
    styled = add_automatic_style(
        content,
        '<style:style style:name="%s" style:family="text"><style:text-properties %s/></style:style>'
        % (style_name, properties),
    )
    return replace_once(
        styled, word, '<text:span text:style-name="%s">%s</text:span>' % (style_name, word), word
    )


def paragraph_restyled(content, text, style_name, properties):
    """The paragraph that starts with `text` given a new style: its old one (an automatic style
    is copied, a common one becomes the parent) with `properties`, a text- or paragraph-properties
    element, in place of its own of that kind."""
    match = required(re.search(r'<text:p text:style-name="([^"]*)">%s' % re.escape(text), content),
                     "the paragraph " + text)
    old_name = match.group(1)
    definition = re.search(
        r'<style:style style:name="%s" style:family="paragraph"([^>]*?)(/>|>(.*?)</style:style>)'
        % re.escape(old_name), content, re.S)
    if definition:
        attributes, inner = definition.group(1), definition.group(3) or ""
    else:
        attributes, inner = ' style:parent-style-name="%s"' % old_name, ""
    kind = re.match(r"<(style:[a-z]+-properties)\b", properties).group(1)
    inner = re.sub(r"<%s\b[^>]*?/>|<%s\b.*?</%s>" % (kind, kind, kind), "", inner, flags=re.S)
    restyled = add_automatic_style(
        content, '<style:style style:name="%s" style:family="paragraph"%s>%s%s</style:style>'
        % (style_name, attributes, inner, properties))
    at = restyled.index(match.group(0))
    return (restyled[:at] + '<text:p text:style-name="%s">%s' % (style_name, text)
            + restyled[at + len(match.group(0)):])


def pending_insertion(content, word):
    """`word` marked as a change still pending, as an insertion: hidden from a reader who looks
    at the page without the changes."""
    region = ('<text:tracked-changes text:track-changes="false"><text:changed-region '
              'xml:id="ctforged1" text:id="ctforged1"><text:insertion><office:change-info>'
              '<dc:creator>张三</dc:creator><dc:date>2026-01-01T09:00:00</dc:date>'
              '</office:change-info></text:insertion></text:changed-region></text:tracked-changes>')
    opening = required(re.search(r"<office:text\b[^>]*>", content), "the body")
    with_region = content[: opening.end()] + region + content[opening.end() :]
    return replace_once(with_region, word,
                        '<text:change-start text:change-id="ctforged1"/>%s'
                        '<text:change-end text:change-id="ctforged1"/>' % word, word)


def frame_of(content, name):
    """The draw:frame named `name`."""
    for match in re.finditer(r"<draw:frame\b[^>]*>.*?</draw:frame>", content, re.S):
        named = r'<draw:frame\b[^>]*\bdraw:name="%s"' % re.escape(attribute_text(name))
        if re.match(named, match.group(0)):
            return match
    raise Missing("the frame " + name)


def seal_frame(content):
    """The document seal's picture: the frame whose style gives it the shape type "Stamper"."""
    styles = re.findall(r'<style:style style:name="([^"]*)"[^>]*>\s*<style:graphic-properties\b'
                        r'[^>]*\bShapeType="Stamper"', content)
    for match in re.finditer(r"<draw:frame\b[^>]*>.*?</draw:frame>", content, re.S):
        style = re.match(r'<draw:frame\b[^>]*\bdraw:style-name="([^"]*)"', match.group(0))
        if style and style.group(1) in styles:
            return match
    raise Missing("the document seal's picture")


def picture_file(frame):
    href = re.search(r'<draw:image\b[^>]*xlink:href="([^"]*)"', frame.group(0))
    if not href:
        raise Missing("the picture file of a frame")
    return href.group(1)


def shifted(tag, attribute, delta):
    """The tag with its length `attribute` made `delta` inches longer, in its own unit."""
    value = re.search(r'%s="(-?[0-9.]+)(in|cm|mm)"' % attribute, tag)
    if not value:
        raise Missing(attribute)
    per_inch = {"in": 1.0, "cm": 2.54, "mm": 25.4}[value.group(2)]
    new = '%s="%.4f%s"' % (attribute, float(value.group(1)) + delta * per_inch, value.group(2))
    return tag.replace(value.group(0), new)


def seal_moved(content, dx, dy):
    """The seal's picture moved on its page by (dx, dy) inches, as dragging it would."""
    seal = seal_frame(content)
    tag_end = seal.start() + seal.group(0).index(">") + 1
    tag = shifted(shifted(content[seal.start() : tag_end], "svg:x", dx), "svg:y", dy)
    return content[: seal.start()] + tag + content[tag_end:]


def picture_moved(content, frame, x):
    """A picture placed by its paragraph's alignment moved to `x` inches from the left, as
    dragging it would: its style says "from-left" and the frame says where."""
    style = re.match(r'<draw:frame\b[^>]*\bdraw:style-name="([^"]*)"', frame.group(0))
    if not style:
        raise Missing("the style of the picture")
    tag_end = frame.start() + frame.group(0).index(">") + 1
    tag = content[frame.start() : tag_end].replace(">", ' svg:x="%.4fin">' % x, 1)
    moved = content[: frame.start()] + tag + content[tag_end:]
    definition = re.search(r'<style:style style:name="%s"[^>]*>.*?</style:style>'
                           % re.escape(style.group(1)), moved, re.S)
    if not definition or 'style:horizontal-pos="center"' not in definition.group(0):
        raise Missing("the centred position of the picture")
    restyled = definition.group(0).replace('style:horizontal-pos="center"',
                                           'style:horizontal-pos="from-left"')
    return moved[: definition.start()] + restyled + moved[definition.end() :]


def meta_value(meta, name):
    """The span of the value of a user-defined document property."""
    match = re.search(r'<meta:user-defined meta:name="%s"[^>]*>([^<]*)</meta:user-defined>'
                      % re.escape(name), meta)
    if not match:
        raise Missing("the document property " + name)
    return match.start(1), match.end(1)


def coverage_with(content, meta, value):
    """The coverage field and its document property, both holding `value` (as the field's XML
    attribute spells it)."""
    start, end = meta_value(meta, COVERAGE)
    as_element = element_text(html.unescape(value))
    return {"content.xml": set_field(content, COVERAGE, value),
            "meta.xml": meta[:start] + as_element + meta[end:]}


COVERAGE = "newSignatureTypeCoverage"


def box_laid_over(content, paragraph, text):
    """A white box holding `text` laid over the amount in the notice's table, anchored to page 1
    before the paragraph that starts with `paragraph`."""
    styled = add_automatic_style(
        content,
        '<style:style style:name="grforged1" style:family="graphic"><style:graphic-properties '
        'draw:fill="solid" draw:fill-color="#ffffff" draw:stroke="none" '
        'style:run-through="foreground" style:wrap="run-through" style:vertical-pos="from-top" '
        'style:vertical-rel="page" style:horizontal-pos="from-left" style:horizontal-rel="page"/>'
        '</style:style>')
    at = required(re.search(r"<text:p\b[^>]*>%s" % re.escape(paragraph), styled),
                  "the paragraph " + paragraph).start()
    box = ('<draw:rect text:anchor-type="page" text:anchor-page-number="1" draw:z-index="9" '
           'draw:name="Box" draw:style-name="grforged1" svg:width="2.2in" svg:height="0.24in" '
           'svg:x="4.0in" svg:y="1.41in"><text:p>%s</text:p></draw:rect>' % element_text(text))
    return styled[:at] + box + styled[at:]


def endnote_page_header(styles, text):
    """A header put on the page style of the endnotes' page, which had none."""
    page = required(re.search(r'<style:master-page style:name="Endnote"([^>]*)/>', styles),
                    "the endnotes' page style without a header")
    return (styles[: page.start()]
            + '<style:master-page style:name="Endnote"%s><style:header><text:p>%s</text:p>'
              "</style:header></style:master-page>" % (page.group(1), element_text(text))
            + styles[page.end() :])


def digest_edited(value, part):
    """One hexadecimal digit of a part's digest in a stored coverage changed."""
    match = re.search(r"(?:^|\n|&#10;|&#x0?a;)%s ([0-9a-f]{64})" % part, value)
    if not match:
        raise Missing("the %s digest of the coverage" % part)
    at = match.start(1)
    digit = "0" if value[at] != "0" else "1"
    return value[:at] + digit + value[at + 1 :]


def notice_alterations(notice, foreign, picture):
    """Every change a reader of the notice could see, each in a copy of its own, with what the
    document seal must read for it."""
    content = content_of(notice)
    styles = content_of(notice, "styles.xml")
    meta = content_of(notice, "meta.xml")
    foreign_content = content_of(foreign)

    def text_changed(old, new, what):
        return {"content.xml": replace_once(content, old, new, what)}

    def styles_changed(old, new, what):
        return {"styles.xml": replace_once(styles, old, new, what)}

    def changed(*parts):
        return {"changed": list(parts)}

    logo = frame_of(content, "logo")
    seal = seal_frame(content)
    coverage = get_field(content, COVERAGE)

    copies = {
        "footnote-text": (text_changed("依据财政局文件。", "依据审计局文件。", "the footnote"),
                          changed("notes")),
        "endnote-text": (text_changed("附件略。", "附件一份。", "the endnote"), changed("notes")),
        "frame-bank-account": (
            text_changed("6222 0000 3333 4444", "6222 0000 3333 4445", "the frame's account"),
            changed("frames")),
        "header-letter": (styles_changed("某某市财政局", "某某市财务局", "the header"),
                          changed("headers")),
        "footer-letter": (styles_changed("财政局办公室印发", "财政局办公厅印发", "the footer"),
                          changed("headers")),
        # The body's text holds the tables' too: its signature breaks with them.
        "table-amount": (text_changed("壹拾万元整", "壹佰万元整", "the amount"),
                         changed("body", "tables")),
        "drawing-text": (text_changed("已核对", "未核对", "the drawing's text"), changed("frames")),
        "amount-struck-through-twice": (
            {"content.xml": formatted(content, "壹拾万元整", "Tforged1",
                                      'style:text-line-through-style="solid" '
                                      'style:text-line-through-type="double"')},
            changed("format")),
        # Chinese text takes its size, weight and posture from the Asian values, which the
        # office alone sets when a person formats a selection of it.
        "amount-enlarged": (
            {"content.xml": formatted(content, "壹拾万元整", "Tforged1",
                                      'style:font-size-asian="28pt"')},
            changed("format")),
        # The amount stands in the table's heading row, which is bold.
        "amount-made-thin": (
            {"content.xml": formatted(content, "壹拾万元整", "Tforged1",
                                      'style:font-weight-asian="normal"')},
            changed("format")),
        "amount-slanted": (
            {"content.xml": formatted(content, "壹拾万元整", "Tforged1",
                                      'style:font-style-asian="italic"')},
            changed("format")),
        "account-raised": (
            {"content.xml": formatted(content, "6222 0000 1111 2222", "Tforged1",
                                      'style:text-position="super 58%"')},
            changed("format")),
        "word-hidden": (
            {"content.xml": formatted(content, "同意", "Tforged1", 'text:display="none"')},
            changed("format")),
        "paragraph-white": (
            {"content.xml": paragraph_restyled(content, "请于月底前办理。", "Pforged1",
                                               '<style:text-properties fo:color="#ffffff"/>')},
            changed("format")),
        # Indented past the edge of the page: as gone as a hidden paragraph.
        "paragraph-pushed-off-the-page": (
            {"content.xml": paragraph_restyled(
                content, "请于月底前办理。", "Pforged1",
                '<style:paragraph-properties fo:margin-left="-30cm" fo:margin-right="30cm"/>')},
            changed("format")),
        "word-marked-as-pending-insertion": (
            {"content.xml": pending_insertion(content, "同意")}, changed("format")),
        "section-hidden": (
            text_changed('text:name="internal"', 'text:name="internal" text:display="none"',
                         "the section"),
            changed("format")),
        "endnote-page-header-added": (
            {"styles.xml": endnote_page_header(styles, "伪造页眉")}, changed("headers")),
        "amount-squeezed-together": (
            {"content.xml": formatted(content, "壹拾万元整", "Tforged1", 'fo:letter-spacing="-0.2in"')},
            changed("format")),
        # A white box with another amount, laid over the table.
        "box-laid-over-the-amount": (
            {"content.xml": box_laid_over(content, "关于拨付项目资金的通知", "壹佰万元整")},
            changed("frames", "pictures")),
        "picture-replaced": ({picture_file(logo): picture}, changed("pictures")),
        "picture-moved": ({"content.xml": picture_moved(content, logo, 1.5)}, changed("pictures")),
        "seal-picture-of-another-organisation": (
            {picture_file(seal): entry_of(foreign, picture_file(seal_frame(foreign_content)))},
            {"changed": ["pictures"],
             "reason": "页面上的印章图片不是签章所用的印章，印章无效！（签章单位：{signer}）"}),
        "seal-moved": ({"content.xml": seal_moved(content, 1.0, 2.0)}, changed("pictures")),
        "coverage-removed": (
            {"content.xml": remove(content, required(re.search(
                r'<text:user-field-decl\b[^>]*text:name="%s"[^>]*/>' % COVERAGE, content),
                "the coverage field")),
             "meta.xml": remove(meta, required(re.search(
                 r'<meta:user-defined meta:name="%s"[^>]*>[^<]*</meta:user-defined>' % COVERAGE,
                 meta), "the coverage property"))},
            {"status": "valid", "scope": "text", "reason": "印章有效（仅保护正文）"}),
        "coverage-digest-edited": (
            coverage_with(content, meta, digest_edited(coverage, "tables")),
            {"reason": "印章保护范围的签名无效，印章无效！"}),
        "coverage-of-another-seal": (
            coverage_with(content, meta, get_field(foreign_content, COVERAGE)),
            {"reason": "印章保护范围不是由此印章签署的，印章无效！"}),
    }
    altered = {}
    for name, (changes, verdict) in copies.items():
        expected = {"status": "not valid", "invalid seals": "document"}
        if verdict.get("status") == "valid":
            expected = {"status": "valid", "invalid seals": None}
        expected.update({k: v for k, v in verdict.items() if k != "status"})
        altered["notice-" + name] = (changes, expected)
    return altered


def main(arguments):
    if len(arguments) not in (3, 6):
        sys.stderr.write(__doc__)
        return 2
    stamped_path, certificate_path, out = arguments[:3]
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
            write_odt("%s/%s.odt" % (out, name), entries, {"content.xml": content})
            expected[name + ".odt"] = {"status": status, "invalid seals": invalid_kind}

    if len(arguments) == 6:
        notice_path, foreign_path, picture_path = arguments[3:]
        notice = read_odt(notice_path)
        with open(picture_path, "rb") as picture:
            replacement = picture.read()
        for name, (changes, verdict) in notice_alterations(
            notice, read_odt(foreign_path), replacement
        ).items():
            for file_name, data in changes.items():
                original = entry_of(notice, file_name)
                if (data.encode("utf-8") if isinstance(data, str) else data) == original:
                    raise Missing("the alteration " + name + " changed nothing in " + file_name)
            write_odt("%s/%s.odt" % (out, name), notice, changes)
            expected[name + ".odt"] = verdict

    with open(out + "/expected.json", "w", encoding="utf-8") as manifest:
        json.dump(expected, manifest, ensure_ascii=False, indent=1)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except Missing as missing:
        sys.stderr.write("tamper.py: not found in the source document: %s\n" % missing)
        sys.exit(1)
