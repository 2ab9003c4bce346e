// make bench: the seal operations timed inside the office at 10, 100 and 1,000 pages and fields,
// each beside its floor from the same run, and the ratio between them.

#include <CommandLine.hxx>
#include <Office.hxx>
#include <SealAuthority.hxx>
#include <SealCustody.hxx>
#include <SealMaking.hxx>
#include <PdfSignatures.hxx>
#include <SealedPdfExport.hxx>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <Quillmark/Certificate/XSealSurvey.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>
#include <sys/stat.h>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using quillmark::office::Office;
using rtl::OUString;

namespace
{
/// About 1,350 characters of Chinese text a page, as in the measurement of the issue.
constexpr int kParagraphsPerPage = 9;
constexpr char kBenchPin[] = "97531864";
const std::string kParagraph
    = u8"为了规范电子印章的使用和管理，保障电子文件的真实性、完整性和可靠性，依据有关"
      u8"法律法规，结合本单位实际，制定本办法。本办法所称电子印章，是指以"
      u8"数字签名技术为基础，与实物印章具有同等效力的电子数据。各部门应当妥"
      u8"善保管电子印章，不得转借他人使用。";

std::string writeText(const std::string& folder, int paragraphs)
{
    const std::string path = folder + "/text-" + std::to_string(paragraphs) + ".txt";
    std::ofstream out(path);
    for (int i = 0; i < paragraphs; ++i)
        out << kParagraph << "\n";
    return path;
}

/// A document of `pages` pages each with a heading, a struck-through bold word, a footnote, a
/// text frame and a table, as flat OpenDocument: what a seal's coverage must read besides the
/// body text.
std::string writeRichDocument(const std::string& folder, int pages)
{
    const std::string path = folder + "/rich-" + std::to_string(pages) + ".fodt";
    std::ofstream out(path);
    out << R"(<?xml version="1.0" encoding="UTF-8"?>)"
           R"(<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
           R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
           R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
           R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
           R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
           R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" )"
           R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" )"
           R"(office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">)"
           R"(<office:automatic-styles><style:style style:name="T1" style:family="text">)"
           R"(<style:text-properties fo:font-weight="bold" style:text-line-through-style="solid"/>)"
           R"(</style:style><style:style style:name="PB" style:family="paragraph">)"
           R"(<style:paragraph-properties fo:break-after="page"/></style:style>)"
           R"(</office:automatic-styles><office:body><office:text>)";
    for (int page = 1; page <= pages; ++page)
    {
        out << "<text:h text:outline-level=\"1\">" << u8"第 " << page << u8" 章</text:h>";
        out << "<text:p>" << kParagraph << "<text:span text:style-name=\"T1\">" << u8"重要"
            << "</text:span>" << kParagraph << "</text:p>";
        out << "<text:p>" << kParagraph << "<text:note text:id=\"n" << page
            << "\" text:note-class=\"footnote\"><text:note-citation>" << page
            << "</text:note-citation><text:note-body><text:p>" << u8"脚注 " << page
            << "</text:p></text:note-body></text:note></text:p>";
        out << "<text:p>" << kParagraph << "<draw:frame draw:name=\"F" << page
            << "\" text:anchor-type=\"paragraph\" svg:width=\"4cm\" svg:x=\"10cm\" "
               "svg:y=\"0cm\" draw:z-index=\""
            << page << "\"><draw:text-box fo:min-height=\"1cm\"><text:p>" << u8"开户行 " << page
            << "</text:p></draw:text-box></draw:frame></text:p>";
        out << "<table:table table:name=\"T" << page
            << "\"><table:table-column table:number-columns-repeated=\"2\"/>";
        for (int row = 0; row < 3; ++row)
            out << "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>"
                << u8"项目 " << row << "</text:p></table:table-cell>"
                << "<table:table-cell office:value-type=\"string\"><text:p>" << u8"金额 "
                << row * 100 << u8" 元</text:p></table:table-cell></table:table-row>";
        out << "</table:table><text:p text:style-name=\"PB\"/>";
    }
    out << "</office:text></office:body></office:document>";
    return path;
}

Reference<frame::XModel> loadDocument(Office& office, const std::string& path)
{
    return Reference<frame::XModel>(
        office.desktop()->loadComponentFromURL(
            OUString::fromUtf8(quillmark::office::fileUrl(path).c_str()), "_blank", 0, {}),
        UNO_QUERY_THROW);
}

Reference<frame::XModel> loadText(Office& office, const std::string& path)
{
    beans::PropertyValue arguments[2];
    arguments[0].Name = "FilterName";
    arguments[0].Value <<= OUString("Text (encoded)");
    arguments[1].Name = "FilterOptions";
    arguments[1].Value <<= OUString("UTF8,LF,,,");
    return Reference<frame::XModel>(
        office.desktop()->loadComponentFromURL(
            OUString::fromUtf8(quillmark::office::fileUrl(path).c_str()), "_blank", 0,
            uno::Sequence<beans::PropertyValue>(arguments, 2)),
        UNO_QUERY_THROW);
}

std::map<std::string, double> runJob(Office& office, const Reference<frame::XModel>& model,
                                     const char* task, sal_Int32 count)
{
    Reference<task::XJob> job(office.serviceManager()->createInstanceWithContext(
                                  "Quillmark.Bench.SealBenchmark", office.context()),
                              UNO_QUERY_THROW);
    const beans::NamedValue arguments[] = {
        beans::NamedValue("Frame", Any(model->getCurrentController()->getFrame())),
        beans::NamedValue("Task", Any(OUString::createFromAscii(task))),
        beans::NamedValue("Count", Any(count)),
    };
    uno::Sequence<beans::NamedValue> results;
    job->execute(uno::Sequence<beans::NamedValue>(arguments, 3)) >>= results;
    std::map<std::string, double> values;
    for (const auto& result : results)
    {
        double number = 0;
        result.Value >>= number;
        values[OUStringToOString(result.Name, RTL_TEXTENCODING_UTF8).getStr()] = number;
    }
    return values;
}

beans::PropertyValue property(const char* name, const Any& value)
{
    beans::PropertyValue result;
    result.Name = OUString::createFromAscii(name);
    result.Value = value;
    return result;
}

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/// Opens a stored document as the verifier does: read-only, hidden, no macros, no link updates.
Reference<frame::XModel> openStored(Office& office, const std::string& path)
{
    const beans::PropertyValue arguments[] = {
        property("ReadOnly", Any(true)),
        property("Hidden", Any(true)),
        property("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
        property("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)),
        property("Silent", Any(true)),
    };
    return Reference<frame::XModel>(
        office.desktop()->loadComponentFromURL(
            OUString::fromUtf8(quillmark::office::fileUrl(path).c_str()), "_blank", 0,
            uno::Sequence<beans::PropertyValue>(arguments, std::size(arguments))),
        UNO_QUERY_THROW);
}

/// The seals of the document that read valid, through the component's survey.
int validSeals(Office& office, const Reference<frame::XModel>& model)
{
    Reference<uno::XInterface> helper = office.serviceManager()->createInstanceWithContext(
        "Quillmark.Certificate.QORVHelper", office.context());
    const Any frame(model->getCurrentController()->getFrame());
    Reference<lang::XInitialization>(helper, UNO_QUERY_THROW)
        ->initialize(uno::Sequence<Any>(&frame, 1));
    int valid = 0;
    for (const auto& seal : Reference<Quillmark::Certificate::XSealSurvey>(helper, UNO_QUERY_THROW)
                                ->surveySeals(false))
        valid += seal.Valid ? 1 : 0;
    return valid;
}

/// Makes `count` one-page stamped documents in `folder` (a few stamped, the rest copies of them)
/// and times opening and closing them alone against opening, surveying and closing them, in the
/// same office: the difference is what the survey adds to each document.
void batch(Office& office, const std::string& work, int count)
{
    const std::string folder = work + "/documents";
    mkdir(folder.c_str(), 0755);
    constexpr int kStamped = 10;
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i)
    {
        char name[32];
        std::snprintf(name, sizeof name, "/document-%04d.odt", i);
        files.push_back(folder + name);
    }
    for (int i = 0; i < std::min(kStamped, count); ++i)
    {
        const std::string text = work + "/page-" + std::to_string(i) + ".txt";
        {
            std::ofstream out(text);
            out << u8"文件编号 " << i << "\n";
            for (int paragraph = 0; paragraph < kParagraphsPerPage; ++paragraph)
                out << kParagraph << "\n";
        }
        Reference<frame::XModel> model = loadText(office, text);
        if (runJob(office, model, "stamp", 0)["stamped"] != 1)
            throw std::runtime_error("a batch document could not be stamped");
        const beans::PropertyValue filter = property("FilterName", Any(OUString("writer8")));
        Reference<frame::XStorable>(model, UNO_QUERY_THROW)
            ->storeToURL(OUString::fromUtf8(quillmark::office::fileUrl(files[i]).c_str()),
                         uno::Sequence<beans::PropertyValue>(&filter, 1));
        Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    }
    for (int i = kStamped; i < count; ++i)
    {
        std::ifstream in(files[i % kStamped], std::ios::binary);
        std::ofstream(files[i], std::ios::binary) << in.rdbuf();
    }

    // Each file opened twice in turn, alone and with the survey, so that both see the same
    // machine: on a busy one, two passes one after the other would compare different loads.
    double openOnly = 0, surveyed = 0, surveyAlone = 0;
    int valid = 0;
    for (const std::string& file : files)
    {
        auto start = std::chrono::steady_clock::now();
        Reference<util::XCloseable>(openStored(office, file), UNO_QUERY_THROW)->close(true);
        openOnly += since(start);
        start = std::chrono::steady_clock::now();
        Reference<frame::XModel> model = openStored(office, file);
        const auto surveyStart = std::chrono::steady_clock::now();
        valid += validSeals(office, model);
        surveyAlone += since(surveyStart);
        Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        surveyed += since(start);
    }
    std::printf("%d one-page stamped documents, one office, over the bridge:\n", count);
    std::printf("  open+close          %7.2f s  %6.1f documents/s\n", openOnly, count / openOnly);
    std::printf("  open+survey+close   %7.2f s  %6.1f documents/s  (%d seals valid)\n", surveyed,
                count / surveyed, valid);
    std::printf("  the survey alone    %7.2f s  %6.1f ms a document, %.0f%% of its cost\n",
                surveyAlone, 1000 * surveyAlone / count, 100 * surveyAlone / surveyed);
    std::fflush(stdout);
}

/// The office's own PDF export of a stamped document of `pages` pages beside its sealed export,
/// each run `rounds` times in turn so that both see the same machine; the medians.
void pdfExport(Office& office, const std::string& work, int pages, int rounds)
{
    // The office sets more of the bench's paragraphs on a page than kParagraphsPerPage: the text
    // is grown once to the page count its first export shows.
    int paragraphs = pages * kParagraphsPerPage;
    Reference<frame::XModel> model = loadText(office, writeText(work, paragraphs));
    const size_t laidOut
        = quillmark::pdfseal::pageBoxes(quillmark::pdfseal::exportPdf(model, office.context()))
              .size();
    if (laidOut > 0 && laidOut != static_cast<size_t>(pages))
    {
        Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        paragraphs = static_cast<int>(static_cast<size_t>(paragraphs) * pages / laidOut);
        model = loadText(office, writeText(work, paragraphs));
    }
    if (runJob(office, model, "stamp", 0)["stamped"] != 1)
        throw std::runtime_error("the document could not be stamped");
    Reference<uno::XInterface> helper = office.serviceManager()->createInstanceWithContext(
        "Quillmark.Certificate.QORVHelper", office.context());
    const Any frame(model->getCurrentController()->getFrame());
    Reference<lang::XInitialization>(helper, UNO_QUERY_THROW)
        ->initialize(uno::Sequence<Any>(&frame, 1));
    const Reference<Quillmark::Certificate::XSealSurvey> survey(helper, UNO_QUERY_THROW);
    const std::string sealed = work + "/sealed-" + std::to_string(pages) + ".pdf";
    // The seal's PIN comes from the PIN file; no one is there to type it.
    const quillmark::pdfseal::ExportKeys keys;

    std::vector<double> own, signedExport;
    size_t ownBytes = 0, ownPages = 0, signatures = 0;
    for (int round = 0; round < rounds; ++round)
    {
        auto start = std::chrono::steady_clock::now();
        const quillmark::pdfseal::Bytes pdf
            = quillmark::pdfseal::exportPdf(model, office.context());
        own.push_back(since(start));
        ownBytes = pdf.size();
        ownPages = quillmark::pdfseal::pageBoxes(pdf).size();
        start = std::chrono::steady_clock::now();
        const quillmark::pdfseal::ExportOutcome outcome
            = quillmark::pdfseal::exportSealedPdf(office.context(), model, survey, sealed, keys);
        signedExport.push_back(since(start));
        if (!outcome.written)
            throw std::runtime_error("the sealed export failed: " + outcome.message);
        signatures = outcome.signatures;
    }
    auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    const double ownTime = median(own);
    const double sealedTime = median(signedExport);
    std::printf("%zu-page stamped document (%d paragraphs) as PDF, median of %d:\n", ownPages,
                paragraphs, rounds);
    std::printf("  the office's own export  %7.3f s  (%zu bytes)\n", ownTime, ownBytes);
    std::printf("  sealed export            %7.3f s  %5.2fx the office's own  (%zu signature%s)\n",
                sealedTime, sealedTime / ownTime, signatures, signatures == 1 ? "" : "s");
    std::fflush(stdout);
    Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
}

void row(const std::string& what, const std::string& operation, std::map<std::string, double> v,
         const std::string& measured, const char* check, const char* checkName)
{
    const double floor = v["getString"] + v["gbk"] + v["sm3"] + v["sm2"] + v["coverage"];
    const double cpuFloor
        = v["getStringCpu"] + v["gbkCpu"] + v["sm3Cpu"] + v["sm2Cpu"] + v["coverageCpu"];
    const double cpu = v[measured + "Cpu"];
    std::printf("%-12s %-7s %9.4f %8.4f %8.4f %8.4f %8.4f %8.4f %9.4f %7.2fx %8.4f %8.4f %7.2fx  "
                "%s=%g\n",
                what.c_str(), operation.c_str(), v["getString"], v["gbk"], v["sm3"], v["sm2"],
                v["coverage"], floor, v[measured], v[measured] / floor, cpuFloor, cpu,
                cpu / cpuFloor, checkName, v[check]);
    std::fflush(stdout);
}
}

int main(int argc, char** argv)
{
    constexpr char kUsage[]
        = "usage: seal_bench [DIR [LARGEST [pages|rich|fields|pdf|batch]]]\n"
          "  Times the seal operations in the office beside their floor, up to LARGEST pages\n"
          "  and fields (default 1000), working in DIR (default out/bench). pages (plain text),\n"
          "  rich (tables, frames and footnotes on every page), fields or pdf (a 100-page\n"
          "  stamped document exported as PDF and as sealed PDF) runs that part alone;\n"
          "  batch makes and opens LARGEST stamped documents.\n";
    std::string work = "out/bench";
    int largest = 1000;
    std::string only;
    try
    {
        const auto operands = quillmark::commandline::operandsOnly(argc, argv, 0, 3);
        if (!operands)
        {
            std::cout << kUsage;
            return 0;
        }
        if (operands->size() > 0)
            work = (*operands)[0];
        if (operands->size() > 1)
            largest = static_cast<int>(
                quillmark::commandline::number((*operands)[1], 1, 1000000, "LARGEST"));
        if (operands->size() > 2)
            only = (*operands)[2];
        if (!only.empty() && only != "pages" && only != "rich" && only != "fields" && only != "pdf"
            && only != "batch")
            throw quillmark::commandline::UsageError("not pages, rich, fields, pdf or batch: "
                                                     + only);
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "seal_bench: " << error.what() << "\n" << kUsage;
        return quillmark::commandline::kUsageStatus;
    }
    mkdir(work.c_str(), 0755);
    const std::string authorityDir = work + "/authority";
    const std::string sealDir = work + "/seal";
    namespace authority = quillmark::authority;
    struct stat info;
    if (stat((authorityDir + "/" + authority::kAuthorityKeyFile).c_str(), &info) != 0)
        authority::writeAuthority(authority::makeAuthority(u8"基准测试认证机构"), authorityDir);
    const authority::Authority issuer = authority::loadAuthority(authorityDir);
    // The bench's seal lets its unlocked key serve for an hour: the figures time the seal's
    // work, not one key derivation (about 0.1 s) for each stamp. Its PIN is read from a file, as
    // programs give it.
    const std::string pinFile = work + "/seal-pin";
    std::remove(pinFile.c_str());
    std::ofstream(pinFile) << kBenchPin << "\n";
    chmod(pinFile.c_str(), 0600);
    quillmark::sealmaker::writeSeal(quillmark::sealmaker::makeSeal(u8"基准测试单位", &issuer),
                                    sealDir, kBenchPin, true);
    ktxeseal::writeCustodySettings(sealDir, 60);

    Office::Options options;
    options.arguments.push_back(
        quillmark::office::moreServices({ SEAL_COMPONENT_FILE, BENCH_COMPONENT_FILE }));
    options.environment = { { "KTXESEAL_SEAL_DIR", sealDir },
                            { ktxeseal::kPinFileVariable, pinFile },
                            { "KTXESEAL_TRUST_DIR", authorityDir } };
    // The sealed export signs in this process, with the same seal.
    for (const auto& [name, value] : options.environment)
        setenv(name.c_str(), value.c_str(), 1);
    Office office(options);
    office.start();
    if (only == "batch")
    {
        // The largest size is the number of documents here.
        office.addToGallery(SEAL_STAMP_AREA_PICTURE);
        batch(office, work, largest);
        office.stop();
        return 0;
    }
    office.addToGallery(SEAL_STAMP_AREA_PICTURE);
    if (only == "pdf")
    {
        pdfExport(office, work, 100, 7);
        office.stop();
        return 0;
    }

    std::printf("%-12s %-7s %9s %8s %8s %8s %8s %8s %9s %8s %8s %8s %8s\n", "size", "op",
                "getString", "gbk", "sm3", "sm2", "coverage", "floor", "measured", "ratio",
                "cpu floor", "cpu", "ratio");
    for (int pages : { 10, 100, 1000 })
    {
        if (pages > largest || (only != "pages" && !only.empty()))
            break;
        const auto start = std::chrono::steady_clock::now();
        Reference<frame::XModel> model
            = loadText(office, writeText(work, pages * kParagraphsPerPage));
        const double load
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        auto values = runJob(office, model, "document", 0);
        const std::string size = std::to_string(pages) + " pages";
        row(size, "stamp", values, "stamp", "stamped", "ok");
        row(size, "verify", values, "verify", "verified", "ok");
        std::printf("%-12s load %.1f s, %g characters\n", size.c_str(), load, values["characters"]);
        Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    }
    for (int pages : { 10, 100, 1000 })
    {
        if (pages > largest || (only != "rich" && !only.empty()))
            break;
        const auto start = std::chrono::steady_clock::now();
        Reference<frame::XModel> model = loadDocument(office, writeRichDocument(work, pages));
        const double load
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        auto values = runJob(office, model, "document", 0);
        const std::string size = std::to_string(pages) + " rich";
        row(size, "stamp", values, "stamp", "stamped", "ok");
        row(size, "verify", values, "verify", "verified", "ok");
        std::printf("%-12s load %.1f s, %g characters; stamp %.2fx and verify %.2fx the coverage "
                    "read alone\n",
                    size.c_str(), load, values["characters"], values["stamp"] / values["coverage"],
                    values["verify"] / values["coverage"]);
        Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    }
    for (int fields : { 10, 100, 1000 })
    {
        if (fields > largest || (only != "fields" && !only.empty()))
            break;
        Reference<frame::XModel> model = loadText(office, writeText(work, fields));
        auto values = runJob(office, model, "fields", fields);
        const std::string size = std::to_string(fields) + " fields";
        row(size, "sign", values, "sign", "signed", "signed");
        row(size, "verify", values, "verify", "valid", "valid");
        row(size, "survey", values, "survey", "surveyed", "valid");
        Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    }
    if (only.empty() && largest >= 100)
        pdfExport(office, work, 100, 7);
    office.stop();
    return 0;
}
