#include <format/CoverageManifest.hxx>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace quillmark
{
namespace
{
constexpr char kHeader[] = "quillmark-coverage 1";
constexpr char kSignatureKey[] = "signature ";
constexpr size_t kDigestLength = 64;
/// Far more than any document has seals; a field beyond it is no coverage of ours.
constexpr size_t kMostPlaces = 1000;

bool isDigest(const std::string& text)
{
    return text.size() == kDigestLength && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

/// A whole decimal number that fits an int, and nothing else.
std::optional<int> number(const std::string& text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size()
        || !std::all_of(text.begin() + static_cast<long>(start), text.end(),
                        [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value < -2147483647LL || value > 2147483647LL)
        return std::nullopt;
    return static_cast<int>(value);
}

std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> result;
    size_t start = 0;
    while (start <= line.size())
    {
        const size_t space = line.find(' ', start);
        const size_t end = space == std::string::npos ? line.size() : space;
        result.push_back(line.substr(start, end - start));
        if (space == std::string::npos)
            break;
        start = space + 1;
    }
    return result;
}

std::optional<CoverageManifest> parseManifest(const std::vector<std::string>& lines)
{
    if (lines.size() < 2 + kCoveragePartCount || lines[0] != kHeader)
        return std::nullopt;
    CoverageManifest manifest;
    if (lines[1] == "scope document")
        manifest.scope = CoverageManifest::Scope::Document;
    else if (lines[1] == "scope field")
        manifest.scope = CoverageManifest::Scope::Field;
    else
        return std::nullopt;
    for (size_t i = 0; i < kCoveragePartCount; ++i)
    {
        const std::vector<std::string> item = words(lines[2 + i]);
        if (item.size() != 2 || item[0] != partKey(static_cast<CoveragePart>(i))
            || !isDigest(item[1]))
            return std::nullopt;
        manifest.parts[i] = item[1];
    }
    for (size_t i = 2 + kCoveragePartCount; i < lines.size(); ++i)
    {
        const std::vector<std::string> item = words(lines[i]);
        if ((item.size() != 4 && item.size() != 5) || item[0] != "seal"
            || manifest.seals.size() == kMostPlaces)
            return std::nullopt;
        const auto page = number(item[1]);
        const auto x = number(item[2]);
        const auto y = number(item[3]);
        if (!page || !x || !y || (item.size() == 5 && !isDigest(item[4])))
            return std::nullopt;
        manifest.seals.push_back({ *page, *x, *y, item.size() == 5 ? item[4] : std::string() });
    }
    return manifest;
}

bool samePlace(const SealPlace& a, const SealPlace& b)
{
    return a.page == b.page && std::abs(a.x - b.x) <= kPlaceTolerance
           && std::abs(a.y - b.y) <= kPlaceTolerance
           && (a.picture.empty() || b.picture.empty() || a.picture == b.picture);
}
}

const char* partKey(CoveragePart part)
{
    static const char* const keys[]
        = { "body", "tables", "headers", "notes", "frames", "pictures", "format" };
    return keys[static_cast<size_t>(part)];
}

const char* partLabel(CoveragePart part)
{
    static const char* const labels[]
        = { u8"正文", u8"表格", u8"页眉页脚", u8"脚注尾注", u8"文本框", u8"图片", u8"格式" };
    return labels[static_cast<size_t>(part)];
}

std::string manifestText(const CoverageManifest& manifest)
{
    std::ostringstream text;
    text << kHeader << '\n'
         << "scope " << (manifest.scope == CoverageManifest::Scope::Document ? "document" : "field")
         << '\n';
    for (size_t i = 0; i < kCoveragePartCount; ++i)
        text << partKey(static_cast<CoveragePart>(i)) << ' ' << manifest.parts[i] << '\n';
    for (const SealPlace& place : manifest.seals)
    {
        text << "seal " << place.page << ' ' << place.x << ' ' << place.y;
        if (!place.picture.empty())
            text << ' ' << place.picture;
        text << '\n';
    }
    return text.str();
}

std::string storedCoverageText(const CoverageManifest& manifest, const std::string& signature)
{
    return storedCoverageText(manifestText(manifest), signature);
}

std::string storedCoverageText(const std::string& signedText, const std::string& signature)
{
    return signedText + kSignatureKey + signature + '\n';
}

std::optional<StoredCoverage> parseStoredCoverage(const std::string& text)
{
    const size_t signatureAt = text.rfind(std::string("\n") + kSignatureKey);
    if (signatureAt == std::string::npos || text.empty() || text.back() != '\n')
        return std::nullopt;
    StoredCoverage stored;
    stored.signedText = text.substr(0, signatureAt + 1);
    const size_t signatureStart = signatureAt + 1 + sizeof(kSignatureKey) - 1;
    stored.signature = text.substr(signatureStart, text.size() - 1 - signatureStart);
    if (stored.signature.empty() || stored.signature.find('\n') != std::string::npos)
        return std::nullopt;
    std::vector<std::string> lines;
    std::istringstream reader(stored.signedText);
    for (std::string line; std::getline(reader, line);)
        lines.push_back(line);
    std::optional<CoverageManifest> manifest = parseManifest(lines);
    // What was signed must be exactly what this version writes: no second reading of the same
    // text can then differ from the signer's.
    if (!manifest || manifestText(*manifest) != stored.signedText)
        return std::nullopt;
    stored.manifest = std::move(*manifest);
    return stored;
}

std::vector<CoveragePart> changedParts(const PartDigests& signedParts,
                                       const PartDigests& currentParts)
{
    std::vector<CoveragePart> parts;
    for (size_t i = 0; i < kCoveragePartCount; ++i)
        if (signedParts[i] != currentParts[i])
            parts.push_back(static_cast<CoveragePart>(i));
    const bool textChanged = std::any_of(parts.begin(), parts.end(), [](CoveragePart part) {
        return part != CoveragePart::Format && part != CoveragePart::Pictures;
    });
    if (textChanged)
        parts.erase(std::remove(parts.begin(), parts.end(), CoveragePart::Format), parts.end());
    return parts;
}

bool samePlaces(const std::vector<SealPlace>& signedPlaces, const std::vector<SealPlace>& current)
{
    if (signedPlaces.size() != current.size())
        return false;
    std::vector<bool> taken(current.size(), false);
    for (const SealPlace& place : signedPlaces)
    {
        bool found = false;
        for (size_t i = 0; i < current.size() && !found; ++i)
            if (!taken[i] && samePlace(place, current[i]))
                found = taken[i] = true;
        if (!found)
            return false;
    }
    return true;
}
}
