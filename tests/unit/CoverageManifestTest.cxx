// The stored coverage is read back only in the exact form it is written, and its comparison
// names the parts a reader would name.

#include <format/CoverageManifest.hxx>

#include <gtest/gtest.h>

using namespace quillmark;

namespace
{
CoverageManifest sample()
{
    CoverageManifest manifest;
    for (size_t i = 0; i < kCoveragePartCount; ++i)
        manifest.parts[i] = std::string(64, static_cast<char>('0' + i));
    manifest.seals = { { 1, 12000, 20000, "" }, { 2, 300, -40, std::string(64, 'f') } };
    return manifest;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

TEST(CoverageManifest, WrittenCoverageReadsBackAsWritten)
{
    const std::string stored = storedCoverageText(sample(), "TUVZ+/=");
    const std::optional<StoredCoverage> read = parseStoredCoverage(stored);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->signedText, manifestText(sample()));
    EXPECT_EQ(read->signature, "TUVZ+/=");
    EXPECT_EQ(read->manifest.parts, sample().parts);
    ASSERT_EQ(read->manifest.seals.size(), 2u);
    EXPECT_EQ(read->manifest.seals[1].y, -40);
    EXPECT_EQ(read->manifest.seals[1].picture, std::string(64, 'f'));
    EXPECT_EQ(read->manifest.scope, CoverageManifest::Scope::Document);
}

TEST(CoverageManifest, AnythingButTheExactFormVouchesForNothing)
{
    const std::string good = storedCoverageText(sample(), "c2lnbmF0dXJl");
    const std::string digest0 = std::string(64, '0');
    const struct
    {
        const char* name;
        std::string text;
    } cases[] = {
        { "empty", "" },
        { "another version", replaced(good, "coverage 1", "coverage 2") },
        { "unknown scope", replaced(good, "scope document", "scope page") },
        { "a part missing", replaced(good, "tables " + std::string(64, '1') + "\n", "") },
        { "parts reordered",
          replaced(replaced(good, "body " + digest0, "tables " + digest0),
                   "tables " + std::string(64, '1'), "body " + std::string(64, '1')) },
        { "a digest in capitals", replaced(good, digest0, std::string(64, 'A')) },
        { "a short digest", replaced(good, digest0, std::string(63, '0')) },
        { "two spaces", replaced(good, "body ", "body  ") },
        { "a carriage return", replaced(good, "scope document\n", "scope document\r\n") },
        { "a number with a plus", replaced(good, "seal 1 12000", "seal 1 +12000") },
        { "a number with a leading zero", replaced(good, "seal 1 12000", "seal 1 012000") },
        { "a number too large", replaced(good, "seal 1 12000", "seal 1 99999999999") },
        { "a seal line cut short", replaced(good, "seal 1 12000 20000", "seal 1 12000") },
        { "a foreign line", replaced(good, "seal 1", "note 1") },
        { "no signature", replaced(good, "signature c2lnbmF0dXJl\n", "") },
        { "an empty signature", replaced(good, "signature c2lnbmF0dXJl", "signature ") },
        { "no final line end", good.substr(0, good.size() - 1) },
        { "something after the signature", good + "seal 1 1 1\n" },
    };
    for (const auto& each : cases)
        EXPECT_FALSE(parseStoredCoverage(each.text)) << each.name;
}

TEST(CoverageManifest, FormattingIsNamedOnlyWhereNoTextChanged)
{
    const PartDigests signedParts = sample().parts;
    auto changedTo = [&](std::initializer_list<CoveragePart> parts) {
        PartDigests current = signedParts;
        for (CoveragePart part : parts)
            current[static_cast<size_t>(part)] = std::string(64, 'e');
        return changedParts(signedParts, current);
    };
    using P = CoveragePart;
    EXPECT_TRUE(changedTo({}).empty());
    EXPECT_EQ(changedTo({ P::Format }), std::vector<P>{ P::Format });
    EXPECT_EQ(changedTo({ P::Tables, P::Format }), std::vector<P>{ P::Tables });
    EXPECT_EQ(changedTo({ P::Body, P::Notes, P::Format }), (std::vector<P>{ P::Body, P::Notes }));
    // A moved picture changes no text: formatting changed beside it is named too.
    EXPECT_EQ(changedTo({ P::Pictures, P::Format }), (std::vector<P>{ P::Pictures, P::Format }));
}

TEST(CoverageManifest, PlacesMatchWithinRoundingAndAsAWhole)
{
    const std::vector<SealPlace> signedPlaces
        = { { 1, 12000, 20000, "" }, { 2, 300, 400, std::string(64, 'a') } };
    const struct
    {
        const char* name;
        std::vector<SealPlace> current;
        bool same;
    } cases[] = {
        { "as signed, in another order",
          { { 2, 300, 400, std::string(64, 'a') }, { 1, 12000, 20000, "" } },
          true },
        { "rounded to twips",
          { { 1, 12001, 19996, "" }, { 2, 305, 400, std::string(64, 'a') } },
          true },
        { "moved by a millimetre",
          { { 1, 12100, 20000, "" }, { 2, 300, 400, std::string(64, 'a') } },
          false },
        { "on another page",
          { { 3, 12000, 20000, "" }, { 2, 300, 400, std::string(64, 'a') } },
          false },
        { "another picture",
          { { 1, 12000, 20000, "" }, { 2, 300, 400, std::string(64, 'b') } },
          false },
        { "one missing", { { 1, 12000, 20000, "" } }, false },
        { "one more",
          { { 1, 12000, 20000, "" },
            { 2, 300, 400, std::string(64, 'a') },
            { 1, 12000, 20000, "" } },
          false },
    };
    for (const auto& each : cases)
        EXPECT_EQ(samePlaces(signedPlaces, each.current), each.same) << each.name;
}
}
