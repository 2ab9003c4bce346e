// make bench: the seal operations timed inside the office at 10, 100 and 1,000 pages and fields,
// each beside its floor from the same run, and the ratio between them.

#include <Office.hxx>
#include <SealAuthority.hxx>
#include <SealMaking.hxx>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
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
    // "pages" or "fields" runs that half alone.
    const std::string only = argc > 3 ? argv[3] : "";
    mkdir(work.c_str(), 0755);
    const std::string authorityDir = work + "/authority";
    const std::string sealDir = work + "/seal";
    namespace authority = quillmark::authority;
    struct stat info;
    if (stat((authorityDir + "/" + authority::kAuthorityKeyFile).c_str(), &info) != 0)
        authority::writeAuthority(authority::makeAuthority(u8"基准测试认证机构"), authorityDir);
    const authority::Authority issuer = authority::loadAuthority(authorityDir);
    quillmark::sealmaker::writeSeal(quillmark::sealmaker::makeSeal(u8"基准测试单位", &issuer),
                                    sealDir, true);

    Office::Options options;
    options.arguments.push_back("-env:URE_MORE_SERVICES=<file:///usr/lib/libreoffice/program/"
                                "services>* file://" SEAL_COMPONENT_FILE
                                " file://" BENCH_COMPONENT_FILE);
    options.environment
        = { { "KTXESEAL_SEAL_DIR", sealDir }, { "KTXESEAL_TRUST_DIR", authorityDir } };
    Office office(options);
    office.start();
    const std::string gallery = office.userDirectory() + "/gallery";
    mkdir(gallery.c_str(), 0755);
    std::ifstream picture(SEAL_STAMP_AREA_PICTURE, std::ios::binary);
    std::ofstream(gallery + "/gzqy.gif", std::ios::binary) << picture.rdbuf();

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
        Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    }
    office.stop();
    return 0;
}
