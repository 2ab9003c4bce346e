// quillmark-export-pdf on documents made here with the component, and what a recipient's tools
// (quillmark-verify, pdfsig, qpdf) make of the PDFs it writes and of copies changed afterwards.

#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <DocumentSeal.hxx>
#include <PdfSignatures.hxx>
#include <TestToken.hxx>
#include <TokenSigner.hxx>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace com::sun::star;
using namespace quillmark::test;
using nlohmann::json;

namespace
{
constexpr char kOrganisation[] = u8"测试市档案局";
constexpr char kCertificateSeal[] = u8"合同专用章";

struct ShellRun
{
    int exitStatus = -1;
    std::string output;
};

/// Runs a shell command; its exit status and standard output (standard error too when asked).
ShellRun run(const std::string& command, bool withErrors = false)
{
    ShellRun result;
    FILE* pipe = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.output.append(buffer, read);
    const int status = pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const std::string& text) { return quillmark::office::shellQuoted(text); }

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

/// The documents and their PDFs, made once for the binary's tests.
class ExportPdfToolTest : public OfficeTest
{
protected:
    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-export-pdf", kOrganisation);
        return made;
    }

    static std::string& folder()
    {
        static std::string made;
        return made;
    }

    void SetUp() override
    {
        qorvtest::testToken(); // SOFTHSM2_CONF and QORV_TRUST_STORE for the tools too
        OfficeTest::SetUp();
        seal().activate();
        if (!folder().empty())
            return;
        try
        {
            makeDocuments();
        }
        catch (const uno::Exception& exception)
        {
            FAIL() << "making the documents failed: " << utf8(exception.Message);
        }
    }

    void makeDocuments()
    {
        const std::string dir = office().workDirectory() + "/export-pdf";
        mkdir(dir.c_str(), 0755);
        installStampAreaPicture();
        std::ofstream(dir + "/seal.pin") << kTestSealPin << "\n";
        std::ofstream(dir + "/token.pin") << qorvtest::kPinUtf8 << "\n";

        document.insertText(0, OUString::fromUtf8(u8"关于档案移交的通知\n请各单位于月底前移交。"));
        document.moveViewCursor(3);
        ASSERT_TRUE(helper->insertStampArea());
        document.select(document.textGraphic("gzqy"));
        ASSERT_TRUE(helper->stampDocument());
        document.escape();
        copyFile(document.saveAs(office(), "stamped.odt"), dir + "/stamped.odt");
        document.insertText(1, OUString("x"));
        copyFile(document.saveAs(office(), "tampered.odt"), dir + "/tampered.odt");

        useDocument(OUString::fromUtf8(u8"采购合同\n甲方同意按合同付款。"));
        const auto signature = quillmark::certseal::signWithToken(
            qorvtest::kPinUtf8, quillmark::certseal::gbkBytes(document.text()));
        const OUString sealName = OUString::fromUtf8(kCertificateSeal);
        quillmark::certseal::writeSignatureFields(document.model, sealName, signature.certificate,
                                                  signature.signedData);
        quillmark::certseal::placeSealShape(document.model, fileUrl(pictureFile("cert.gif")), {},
                                            sealName);
        copyFile(document.saveAs(office(), "certificate.odt"), dir + "/certificate.odt");

        // pdfsig trusts what the NSS database beside the files trusts: the token's CA.
        const std::string nss = dir + "/nss";
        mkdir(nss.c_str(), 0700);
        ASSERT_EQ(0, run("certutil -N -d sql:" + quoted(nss) + " --empty-password").exitStatus);
        ASSERT_EQ(0, run("certutil -A -d sql:" + quoted(nss) + " -n 'Test CA' -t CT,C,C -i "
                         + quoted(qorvtest::testToken().caCertificatePath))
                         .exitStatus);
        folder() = dir;
    }

    static std::string path(const std::string& name) { return folder() + "/" + name; }

    /// quillmark-export-pdf with the PINs from files; its exit status and messages.
    static ShellRun exportPdf(const std::string& document, const std::string& pdf)
    {
        return run("'" QUILLMARK_EXPORT_PDF "' --pin-fd 3 --token-pin-fd 4 "
                       + quoted(path(document)) + " " + quoted(path(pdf)) + " 3<"
                       + quoted(path("seal.pin")) + " 4<" + quoted(path("token.pin")),
                   true);
    }

    /// quillmark-verify's report on one file.
    static std::pair<int, json> verify(const std::string& name)
    {
        const ShellRun report = run("'" QUILLMARK_VERIFY "' --json " + quoted(path(name)));
        const json parsed = json::parse(report.output, nullptr, false);
        if (parsed.is_discarded() || !parsed.contains("files") || parsed["files"].size() != 1)
            return { report.exitStatus, json() };
        return { report.exitStatus, parsed["files"][0] };
    }

    static ShellRun pdfsig(const std::string& name)
    {
        return run("pdfsig -nssdir sql:" + quoted(path("nss")) + " " + quoted(path(name)));
    }

    /// The exported PDFs, written once.
    void exportBoth()
    {
        for (const char* name : { "stamped", "certificate" })
        {
            if (!exists(path(std::string(name) + ".pdf")))
            {
                ASSERT_EQ(
                    0,
                    exportPdf(std::string(name) + ".odt", std::string(name) + ".pdf").exitStatus);
            }
        }
    }
};
}

TEST_F(ExportPdfToolTest, EachSealBecomesASignatureThatEveryReaderChecks)
{
    struct Case
    {
        const char* document;
        const char* kind;
        std::string name;
        std::string organisation;
        /// pdfsig can check the signature itself: NSS knows no SM2.
        bool pdfsigValidates;
    };
    const Case cases[] = {
        { "stamped", "document", "", kOrganisation, false },
        { "certificate", "certificate", kCertificateSeal, "", true },
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.document);
        const std::string pdf = std::string(test.document) + ".pdf";
        std::remove(path(pdf).c_str());
        const ShellRun exported = exportPdf(std::string(test.document) + ".odt", pdf);
        ASSERT_EQ(0, exported.exitStatus) << exported.output;
        EXPECT_NE(std::string::npos, exported.output.find("signatures:  1")) << exported.output;

        const ShellRun check = run("qpdf --check " + quoted(path(pdf)), true);
        EXPECT_EQ(0, check.exitStatus) << check.output;

        const auto [status, report] = verify(pdf);
        EXPECT_EQ(0, status);
        ASSERT_TRUE(report.is_object());
        EXPECT_EQ("valid", report["status"]);
        ASSERT_EQ(1u, report["seals"].size()) << report.dump();
        const json& seal = report["seals"][0];
        EXPECT_EQ(test.kind, seal["kind"]);
        EXPECT_EQ(test.name, seal["name"]);
        EXPECT_TRUE(seal["valid"].get<bool>()) << seal.dump();
        EXPECT_EQ(u8"文档未被修改，印章有效！", seal["reason"]);
        if (!test.organisation.empty())
        {
            EXPECT_EQ(test.organisation, seal["organisation"]);
        }

        const ShellRun listed = pdfsig(pdf);
        EXPECT_EQ(1u, occurrences(listed.output, "Signature #")) << listed.output;
        EXPECT_NE(std::string::npos, listed.output.find("Total document signed")) << listed.output;
        if (test.pdfsigValidates)
        {
            EXPECT_NE(std::string::npos, listed.output.find("Signature is Valid."))
                << listed.output;
            EXPECT_NE(std::string::npos, listed.output.find("Certificate is Trusted."))
                << listed.output;
        }
    }
}

TEST_F(ExportPdfToolTest, ASealThatDoesNotVerifyIsNotExported)
{
    const ShellRun refused = exportPdf("tampered.odt", "tampered.pdf");
    EXPECT_EQ(1, refused.exitStatus);
    EXPECT_NE(std::string::npos,
              refused.output.find(u8"文档中的印章未全部通过验证，不能导出为盖章 PDF："))
        << refused.output;
    EXPECT_FALSE(exists(path("tampered.pdf")));
}

TEST_F(ExportPdfToolTest, AnExportedPdfChangedAfterwardsReadsChanged)
{
    exportBoth();
    const std::string stamped = fileBytes(path("stamped.pdf"));
    const std::string certificate = fileBytes(path("certificate.pdf"));
    ASSERT_FALSE(stamped.empty());
    ASSERT_FALSE(certificate.empty());

    // A byte of the page content, which the office's export wrote before any signature.
    std::string flipped = stamped;
    const size_t stream = flipped.find("stream\n");
    ASSERT_NE(std::string::npos, stream);
    flipped[stream + 20] ^= 0x01;

    std::string appended = stamped + "% a line added by another program\n";

    // The certificate seal's signature, put in place of the document seal's in the other PDF:
    // both keep their signature in a room of the same size.
    auto signatureOf = [](const std::string& pdf) {
        const std::vector<quillmark::pdfseal::StoredSignature> stored
            = quillmark::pdfseal::storedSignatures(
                quillmark::pdfseal::Bytes(pdf.begin(), pdf.end()));
        return stored.size() == 1 ? stored[0] : quillmark::pdfseal::StoredSignature();
    };
    const quillmark::pdfseal::StoredSignature into = signatureOf(stamped);
    const quillmark::pdfseal::StoredSignature from = signatureOf(certificate);
    ASSERT_GT(into.signatureEnd, into.signatureStart);
    ASSERT_EQ(into.signatureEnd - into.signatureStart, from.signatureEnd - from.signatureStart);
    std::string copied = stamped;
    copied.replace(
        into.signatureStart, into.signatureEnd - into.signatureStart,
        certificate.substr(from.signatureStart, from.signatureEnd - from.signatureStart));

    struct Case
    {
        const char* what;
        std::string bytes;
        std::string reason;
    };
    const Case cases[] = {
        { "one byte changed inside the signed range", flipped, u8"文档已被修改，印章无效！" },
        { "content appended after the signature", appended, u8"签章后文档被修改" },
        { "a signature copied from another PDF", copied, u8"文档已被修改，印章无效！" },
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.what);
        writeBytes(path("changed.pdf"), test.bytes);
        const auto [status, report] = verify("changed.pdf");
        EXPECT_EQ(1, status);
        ASSERT_TRUE(report.is_object());
        EXPECT_EQ("invalid", report["status"]);
        ASSERT_EQ(1u, report["seals"].size()) << report.dump();
        EXPECT_FALSE(report["seals"][0]["valid"].get<bool>());
        EXPECT_EQ(test.reason, report["seals"][0]["reason"]);
    }

    // pdfsig on the same certificate-sealed PDF with a byte changed inside its signed range.
    std::string certificateFlipped = certificate;
    certificateFlipped[certificate.find("stream\n") + 20] ^= 0x01;
    writeBytes(path("changed.pdf"), certificateFlipped);
    const ShellRun listed = pdfsig("changed.pdf");
    EXPECT_NE(std::string::npos, listed.output.find("Signature #1")) << listed.output;
    EXPECT_EQ(std::string::npos, listed.output.find("Signature is Valid.")) << listed.output;
}
