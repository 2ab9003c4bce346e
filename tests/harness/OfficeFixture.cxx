#include "OfficeFixture.hxx"

#include "Sequences.hxx"

#include <fstream>
#include <sys/stat.h>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;

namespace quillmark::test
{
void OfficeTest::SetUp()
{
    try
    {
        testContext = std::make_unique<TestContext>(office().context());
        document = WriterDocument::create(office());
        helper = makeHelper(document.frame);
    }
    catch (const uno::Exception& exception)
    {
        FAIL() << "office set-up failed: " << utf8(exception.Message);
    }
}

void OfficeTest::TearDown()
{
    helper.clear();
    document.close();
    testContext.reset();
}

rtl::Reference<QORVHelper> OfficeTest::makeHelper(const Reference<frame::XFrame>& frame)
{
    rtl::Reference<QORVHelper> made = new QORVHelper(testContext->context());
    if (frame.is())
        made->initialize(sequenceOf({ Any(frame) }));
    return made;
}

void OfficeTest::useDocument(const OUString& text)
{
    document = WriterDocument::create(office(), text);
    helper = makeHelper(document.frame);
}

std::string OfficeTest::pictureFile(const std::string& name, int width, int height)
{
    const std::string path = workFile(name);
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        writeSolidGif(path, width, height, 200, 0, 0);
    return path;
}

void OfficeTest::installStampAreaPicture() { office().addToGallery(SEAL_STAMP_AREA_PICTURE); }

void copyFile(const std::string& from, const std::string& to)
{
    std::ifstream source(from, std::ios::binary);
    std::ofstream target(to, std::ios::binary);
    target << source.rdbuf();
    target.close();
    if (!source || !target)
        throw std::runtime_error("cannot copy " + from + " to " + to);
}

std::string utf8(const OUString& text) { return std::string(text.toUtf8().getStr()); }
}
