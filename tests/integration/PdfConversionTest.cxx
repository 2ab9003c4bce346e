// The office's own PDF export of stamped documents, as document servers run it: `soffice
// --convert-to pdf` and a program's storeToURL, in an office with the packed extension installed.
// A document changed after stamping must not come out with a red seal.

#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;
using quillmark::office::shellQuoted;

namespace
{
/// Pixels of a strong red on the first page of the PDF, rendered at 40 dpi.
int redPixels(const std::string& pdf)
{
    const std::string command
        = "pdftoppm -r 40 -f 1 -l 1 " + shellQuoted(pdf) + " " + shellQuoted(pdf);
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot render " + pdf);
    std::ifstream page(pdf + "-1.ppm", std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    int maximum = 0;
    page >> magic >> width >> height >> maximum;
    page.get();
    if (magic != "P6" || maximum != 255 || width <= 0 || height <= 0)
        throw std::runtime_error("not a page picture: " + pdf);
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    page.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    if (!page)
        throw std::runtime_error("a page picture cut short: " + pdf);
    int red = 0;
    for (size_t i = 0; i + 2 < pixels.size(); i += 3)
        red += pixels[i] > 160 && pixels[i + 1] < 90 && pixels[i + 2] < 90;
    return red;
}

/// Whether the PDF's text holds `text` (UTF-8).
bool pdfShowsText(const std::string& pdf, const std::string& text)
{
    const std::string out = pdf + ".txt";
    if (std::system(("pdftotext " + shellQuoted(pdf) + " " + shellQuoted(out)).c_str()) != 0)
        return false;
    std::ifstream in(out);
    const std::string shown((std::istreambuf_iterator<char>(in)), {});
    return shown.find(text) != std::string::npos;
}

class PdfConversionTest : public OfficeTest
{
protected:
    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-conversion",
                             u8"测试市住房保障局");
        return made;
    }

    /// The shared extension folder with the packed extension installed, once for the binary.
    static const std::string& extensions()
    {
        static const std::string folder = [] {
            const std::string made = Office::shared().workDirectory() + "/conversion-extensions";
            mkdir(made.c_str(), 0755);
            const std::string command = quillmark::office::unopkgCommand({ "add", SEAL_OXT }, made)
                                        + " >" + shellQuoted(made + "/unopkg.log") + " 2>&1";
            if (std::system(command.c_str()) != 0)
                throw std::runtime_error("unopkg could not install the extension");
            return made;
        }();
        return folder;
    }

    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        seal().activate();
    }

    /// A stamped notice saved as `honest`, and a copy whose text a zip tool changed as `tampered`.
    void makeDocuments(const std::string& honest, const std::string& tampered)
    {
        document.insertText(0, OUString::fromUtf8(u8"关于保障房分配的公示\n公示期为十个工作日。"));
        document.moveViewCursor(4);
        ASSERT_TRUE(helper->insertStampArea());
        document.select(document.textGraphic("gzqy"));
        ASSERT_TRUE(helper->stampDocument());
        document.escape();
        document.saveAs(office(), honest);
        const std::string edit
            = "python3 - " + shellQuoted(workFile(honest)) + " " + shellQuoted(workFile(tampered))
              + " <<'EOF'\n"
                "import sys, zipfile\n"
                "source = zipfile.ZipFile(sys.argv[1])\n"
                "with zipfile.ZipFile(sys.argv[2], 'w') as target:\n"
                "    for info in source.infolist():\n"
                "        data = source.read(info)\n"
                "        if info.filename == 'content.xml':\n"
                "            changed = data.replace('十个'.encode(), '二十个'.encode())\n"
                "            assert changed != data\n"
                "            data = changed\n"
                "        kind = zipfile.ZIP_STORED if info.filename == 'mimetype' "
                "else zipfile.ZIP_DEFLATED\n"
                "        target.writestr(info.filename, data, compress_type=kind)\n"
                "EOF";
        ASSERT_EQ(0, std::system(edit.c_str()));
    }

    /// `soffice --convert-to pdf` of the file into `outdir`, in a fresh profile that sees the
    /// installed extension; the PDF's path.
    std::string convertInBatch(const std::string& name, const std::string& outdir)
    {
        mkdir(outdir.c_str(), 0755);
        std::string command = shellQuoted(quillmark::office::officeProgram("soffice"))
                              + " --headless --norestore --nolockcheck";
        for (const std::string& setting : quillmark::office::sharedPackages(extensions()))
            command += " " + shellQuoted(setting);
        command += " " + shellQuoted("-env:UserInstallation=" + fileUrl(outdir + "/profile"))
                   + " --convert-to pdf --outdir " + shellQuoted(outdir) + " "
                   + shellQuoted(workFile(name)) + " >" + shellQuoted(outdir + "/soffice.log")
                   + " 2>&1";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("the batch conversion failed: " + command);
        return outdir + "/" + name.substr(0, name.rfind('.')) + ".pdf";
    }
};
}

TEST_F(PdfConversionTest, TheOfficesOwnPdfDrawsEachSealAsItVerifies)
{
    makeDocuments("conversion-honest.odt", "conversion-tampered.odt");

    // A program's storeToURL in an office with the extension, the document opened hidden.
    Office::Options options;
    options.arguments = quillmark::office::sharedPackages(extensions());
    options.componentTypes = false;
    Office programs(options);
    programs.start();
    auto storeToPdf = [&](const std::string& name) {
        beans::PropertyValue hidden;
        hidden.Name = "Hidden";
        hidden.Value <<= true;
        Reference<frame::XStorable> loaded(
            Reference<frame::XComponentLoader>(programs.desktop(), UNO_QUERY_THROW)
                ->loadComponentFromURL(OUString::fromUtf8(fileUrl(workFile(name)).c_str()),
                                       "_blank", 0, Sequence<beans::PropertyValue>(&hidden, 1)),
            UNO_QUERY_THROW);
        beans::PropertyValue filter;
        filter.Name = "FilterName";
        filter.Value <<= OUString("writer_pdf_Export");
        const std::string pdf = workFile(name + ".stored.pdf");
        loaded->storeToURL(OUString::fromUtf8(fileUrl(pdf).c_str()),
                           Sequence<beans::PropertyValue>(&filter, 1));
        Reference<util::XCloseable>(loaded, UNO_QUERY_THROW)->close(true);
        return pdf;
    };

    struct Way
    {
        const char* what;
        std::function<std::string(const std::string&)> toPdf;
    };
    const Way ways[] = {
        { "soffice --convert-to pdf",
          [&](const std::string& name) {
              return convertInBatch(name, workFile(name + "-converted"));
          } },
        { "storeToURL with writer_pdf_Export", storeToPdf },
    };
    for (const Way& way : ways)
    {
        SCOPED_TRACE(way.what);
        const std::string honest = way.toPdf("conversion-honest.odt");
        const std::string tampered = way.toPdf("conversion-tampered.odt");
        const int honestRed = redPixels(honest);
        const int tamperedRed = redPixels(tampered);
        // The red seal: at 40 dpi its ring and star are some hundreds of pixels.
        EXPECT_GT(honestRed, 300) << "an honest seal stays red";
        EXPECT_FALSE(pdfShowsText(honest, u8"无效印章"));
        // Black and white: what red is left is the caption's, about a quarter of the seal's. A
        // red seal under its caption would have more red than the honest one.
        EXPECT_LT(tamperedRed * 2, honestRed) << tamperedRed << " red pixels of " << honestRed;
        EXPECT_TRUE(pdfShowsText(tampered, u8"无效印章"));
    }
}
