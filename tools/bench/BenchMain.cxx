// make bench: the seal operations timed inside the office at 10, 100 and 1,000 pages and fields,
// each beside its floor from the same run, and the ratio between them.

#include <Office.hxx>
#include <SealAuthority.hxx>
#include <SealCustody.hxx>
#include <SealMaking.hxx>

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

void installStampAreaPicture(Office& office)
{
    const std::string gallery = office.userDirectory() + "/gallery";
    mkdir(gallery.c_str(), 0755);
    std::ifstream picture(SEAL_STAMP_AREA_PICTURE, std::ios::binary);
    std::ofstream(gallery + "/gzqy.gif", std::ios::binary) << picture.rdbuf();
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

void row(const std::string& what, const std::string& operation, std::map<std::string, double> v,
         const std::string& measured, const char* check, const char* checkName)
{
    const double floor = v["getString"] + v["gbk"] + v["sm3"] + v["sm2"];
    const double cpuFloor = v["getStringCpu"] + v["gbkCpu"] + v["sm3Cpu"] + v["sm2Cpu"];
    const double cpu = v[measured + "Cpu"];
    std::printf("%-12s %-7s %9.4f %8.4f %8.4f %8.4f %8.4f %9.4f %7.2fx %8.4f %8.4f %7.2fx  %s=%g\n",
                what.c_str(), operation.c_str(), v["getString"], v["gbk"], v["sm3"], v["sm2"],
                floor, v[measured], v[measured] / floor, cpuFloor, cpu, cpu / cpuFloor, checkName,
                v[check]);
    std::fflush(stdout);
}
}

int main(int argc, char** argv)
{
    const std::string work = argc > 1 ? argv[1] : "out/bench";
    // The largest size: 1000 by default; a smaller one for a quick look.
    const int largest = argc > 2 ? std::atoi(argv[2]) : 1000;
    // "pages" or "fields" runs that half alone; "batch" makes and opens that many documents.
    const std::string only = argc > 3 ? argv[3] : "";
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
    options.arguments.push_back("-env:URE_MORE_SERVICES=<file:///usr/lib/libreoffice/program/"
                                "services>* file://" SEAL_COMPONENT_FILE
                                " file://" BENCH_COMPONENT_FILE);
    options.environment = { { "KTXESEAL_SEAL_DIR", sealDir },
                            { ktxeseal::kPinFileVariable, pinFile },
                            { "KTXESEAL_TRUST_DIR", authorityDir } };
    Office office(options);
    office.start();
    if (only == "batch")
    {
        // The largest size is the number of documents here.
        installStampAreaPicture(office);
        batch(office, work, largest);
        office.stop();
        return 0;
    }
    installStampAreaPicture(office);

    std::printf("%-12s %-7s %9s %8s %8s %8s %8s %9s %8s %8s %8s %8s\n", "size", "op", "getString",
                "gbk", "sm3", "sm2", "floor", "measured", "ratio", "cpu floor", "cpu", "ratio");
    for (int pages : { 10, 100, 1000 })
    {
        if (pages > largest || only == "fields")
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
    for (int fields : { 10, 100, 1000 })
    {
        if (fields > largest || only == "pages")
            break;
        Reference<frame::XModel> model = loadText(office, writeText(work, fields));
        auto values = runJob(office, model, "fields", fields);
        const std::string size = std::to_string(fields) + " fields";
        row(size, "sign", values, "sign", "signed", "signed");
        row(size, "verify", values, "verify", "valid", "valid");
        row(size, "survey", values, "survey", "surveyed", "valid");
        Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    }
    office.stop();
    return 0;
}
