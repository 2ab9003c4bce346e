// The main job on built-in defaults: a headless office with the component; a Writer document
// stamped with the demo seal and verified before and after a change; a field signed and checked;
// a certificate seal made with the demo key token and verified; the results under out/.

#include <format/FormatNames.hxx>
#include <CommandLine.hxx>
#include <DocumentSeal.hxx>
#include <Office.hxx>
#include <SealCustody.hxx>
#include <SealMaking.hxx>
#include <SealSignature.hxx>
#include <StampRegister.hxx>
#include <TokenSigner.hxx>

#include <Quillmark/Certificate/XQORVTools.hpp>
#include <SealPicture.hxx>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/drawing/ColorMode.hpp>
#include <com/sun/star/drawing/ShapeCollection.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/lang/XTypeProvider.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using Quillmark::Certificate::XQORVTools;
using quillmark::office::Office;
using rtl::OUString;

namespace
{
constexpr char kOrganisation[] = u8"北京市某某区人民政府办公室";
constexpr char kAuthorityName[] = u8"演示电子印章制作中心";
constexpr char kTokenPin[] = "123456";

const OUString kNotice
    = OUString::fromUtf8(u8"关于做好电子印章推广应用工作的通知\n"
                         u8"各街道办事处、区政府各委、办、局：\n"
                         u8"为推进政务服务电子化，现就电子印章推广应用有关事项通知如下。\n"
                         u8"一、各单位应于年底前完成电子印章的申领和备案。\n"
                         u8"二、加盖电子印章的文件与加盖实物印章的文件具有同等效力。\n"
                         u8"特此通知。");

std::string utf8(const OUString& text) { return std::string(text.toUtf8().getStr()); }

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

/// The demo seal authority, its seal and the key token, made on first run and kept under out/.
/// The authority is trusted for the demo's office alone, through its environment.
/// The demo seal's PIN lies in a file of its own, as programs give it to the seal library.
struct DemoState
{
    std::string authorityDirectory;
    std::string sealDirectory;
    std::string sealPinFile;
    std::string tokenDirectory;
};

/// Whether the folder holds a seal that may sign now, that this authority issued, and whose key
/// the PIN in the file opens.
bool holdsSealOf(const DemoState& state, const quillmark::authority::Authority& issuer)
{
    std::optional<ktxeseal::Seal> seal = ktxeseal::loadSeal(state.sealDirectory);
    std::ifstream pinFile(state.sealPinFile);
    std::string pin;
    std::getline(pinFile, pin);
    return seal && ktxeseal::maySignAt(*seal, std::time(nullptr))
           && seal->issued.authorityCertificateDer
                  == ktxeseal::certificateDer(issuer.certificate.get())
           && ktxeseal::unlockSeal(*seal, pin) && ktxeseal::isUsableSeal(*seal);
}

/// Eight random digits, written into a file only its owner may read.
std::string writeRandomPin(const std::string& path)
{
    unsigned char random[8];
    if (RAND_bytes(random, sizeof(random)) != 1)
        throw std::runtime_error("OpenSSL has no random bytes");
    std::string pin;
    for (unsigned char byte : random)
        pin += static_cast<char>('0' + byte % 10);
    std::remove(path.c_str());
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const std::string line = pin + "\n";
    const bool written
        = descriptor >= 0
          && write(descriptor, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (descriptor >= 0)
        close(descriptor);
    if (!written)
        throw std::runtime_error("cannot write " + path);
    return pin;
}

DemoState prepareState(const std::string& out)
{
    DemoState state{ out + "/demo-authority", out + "/demo-seal", out + "/demo-seal-pin",
                     out + "/demo-token" };
    if (!exists(state.authorityDirectory + "/" + quillmark::authority::kAuthorityKeyFile))
    {
        std::cout << "Making the demo seal authority in " << state.authorityDirectory << std::endl;
        quillmark::authority::writeAuthority(quillmark::authority::makeAuthority(kAuthorityName),
                                             state.authorityDirectory);
    }
    const quillmark::authority::Authority authority
        = quillmark::authority::loadAuthority(state.authorityDirectory);
    if (!holdsSealOf(state, authority))
    {
        std::cout << "Making the demo seal for " << kOrganisation << " in " << state.sealDirectory
                  << ", its key encrypted under a new random PIN in " << state.sealPinFile
                  << std::endl;
        const std::string pin = writeRandomPin(state.sealPinFile);
        quillmark::sealmaker::writeSeal(quillmark::sealmaker::makeSeal(kOrganisation, &authority),
                                        state.sealDirectory, pin, true);
    }
    if (!exists(state.tokenDirectory + "/softhsm2.conf"))
    {
        std::cout << "Making the demo key token in " << state.tokenDirectory << std::endl;
        const std::string command = std::string(SEAL_TOKEN_SCRIPT) + " '" + state.tokenDirectory
                                    + "' " + kTokenPin + " >/dev/null";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("the key token could not be made");
    }
    return state;
}

class DemoDocument
{
public:
    DemoDocument(Office& office, const OUString& text)
        : office(office)
    {
        model.set(
            office.desktop()->loadComponentFromURL("private:factory/swriter", "_blank", 0, {}),
            UNO_QUERY_THROW);
        frame = model->getCurrentController()->getFrame();
        Reference<text::XText> body = textDocument()->getText();
        body->setString(text);
    }
    ~DemoDocument()
    {
        try
        {
            Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        }
        catch (const uno::Exception& exception)
        {
            SAL_WARN("quillmark.tools", "the demo document did not close: " << exception.Message);
        }
    }

    Reference<text::XTextDocument> textDocument() const
    {
        return Reference<text::XTextDocument>(model, UNO_QUERY_THROW);
    }

    Reference<XQORVTools> makeHelper() const
    {
        Reference<uno::XInterface> helper = office.serviceManager()->createInstanceWithContext(
            "Quillmark.Certificate.QORVHelper", office.context());
        if (!helper.is())
            throw std::runtime_error("the office does not know Quillmark.Certificate.QORVHelper");
        const Any frameArgument(frame);
        Reference<lang::XInitialization>(helper, UNO_QUERY_THROW)
            ->initialize(Sequence<Any>(&frameArgument, 1));
        return Reference<XQORVTools>(helper, UNO_QUERY_THROW);
    }

    void dispatch(const char* command)
    {
        frame::DispatchHelper::create(office.context())
            ->executeDispatch(Reference<frame::XDispatchProvider>(frame, UNO_QUERY_THROW),
                              OUString::createFromAscii(command), "", 0, {});
    }

    void select(const Reference<uno::XInterface>& object)
    {
        Reference<view::XSelectionSupplier>(model->getCurrentController(), UNO_QUERY_THROW)
            ->select(Any(object));
    }

    /// Moves the view cursor to the end of paragraph `paragraph` (0 is the first).
    void moveViewCursorToParagraphEnd(int paragraph)
    {
        dispatch(".uno:Escape");
        Reference<text::XTextViewCursor> cursor
            = Reference<text::XTextViewCursorSupplier>(model->getCurrentController(),
                                                       UNO_QUERY_THROW)
                  ->getViewCursor();
        Reference<text::XText> body = textDocument()->getText();
        Reference<text::XTextCursor> position = body->createTextCursor();
        position->gotoStart(false);
        for (int i = 0; i < paragraph; ++i)
            Reference<text::XParagraphCursor>(position, UNO_QUERY_THROW)->gotoNextParagraph(false);
        Reference<text::XParagraphCursor>(position, UNO_QUERY_THROW)->gotoEndOfParagraph(false);
        cursor->gotoRange(Reference<text::XTextRange>(position, UNO_QUERY_THROW), false);
    }

    void selectStampArea()
    {
        select(Reference<uno::XInterface>(
            Reference<text::XTextGraphicObjectsSupplier>(model, UNO_QUERY_THROW)
                ->getGraphicObjects()
                ->getByName("gzqy"),
            UNO_QUERY_THROW));
    }

    /// Selects every document seal on the page, as a user selecting the seals would.
    std::vector<Reference<beans::XPropertySet>> selectSeals()
    {
        Reference<container::XIndexAccess> page(
            Reference<drawing::XDrawPageSupplier>(model, UNO_QUERY_THROW)->getDrawPage(),
            UNO_QUERY_THROW);
        Reference<drawing::XShapes> collection = drawing::ShapeCollection::create(office.context());
        std::vector<Reference<beans::XPropertySet>> seals;
        for (sal_Int32 i = 0; i < page->getCount(); ++i)
        {
            Reference<beans::XPropertySet> shape(page->getByIndex(i), UNO_QUERY_THROW);
            OUString name;
            shape->getPropertyValue("Name") >>= name;
            if (!name.equalsAscii(quillmark::texts::kSealShapeName))
                continue;
            collection->add(Reference<drawing::XShape>(shape, UNO_QUERY_THROW));
            seals.push_back(shape);
        }
        dispatch(".uno:Escape");
        select(collection);
        return seals;
    }

    /// Inserts `text` at character offset `offset` of the body.
    void insertText(sal_Int32 offset, const OUString& text)
    {
        Reference<text::XText> body = textDocument()->getText();
        Reference<text::XTextCursor> cursor = body->createTextCursor();
        cursor->gotoStart(false);
        cursor->goRight(static_cast<sal_Int16>(offset), false);
        body->insertString(Reference<text::XTextRange>(cursor, UNO_QUERY_THROW), text, false);
    }

    void removeText(sal_Int32 offset, sal_Int32 length)
    {
        Reference<text::XTextCursor> cursor = textDocument()->getText()->createTextCursor();
        cursor->gotoStart(false);
        cursor->goRight(static_cast<sal_Int16>(offset), false);
        cursor->goRight(static_cast<sal_Int16>(length), true);
        cursor->setString(OUString());
    }

    /// An annotation marker at character offset `offset`.
    void insertMarker(sal_Int32 offset, const OUString& content)
    {
        Reference<beans::XPropertySet> field(
            Reference<lang::XMultiServiceFactory>(model, UNO_QUERY_THROW)
                ->createInstance("com.sun.star.text.textfield.Annotation"),
            UNO_QUERY_THROW);
        field->setPropertyValue("Content", Any(content));
        Reference<text::XText> body = textDocument()->getText();
        Reference<text::XTextCursor> cursor = body->createTextCursor();
        cursor->gotoStart(false);
        cursor->goRight(static_cast<sal_Int16>(offset), false);
        body->insertTextContent(Reference<text::XTextRange>(cursor, UNO_QUERY_THROW),
                                Reference<text::XTextContent>(field, UNO_QUERY_THROW), false);
    }

    void store(const std::string& path, const char* filter)
    {
        beans::PropertyValue argument;
        argument.Name = "FilterName";
        argument.Value <<= OUString::createFromAscii(filter);
        Reference<frame::XStorable>(model, UNO_QUERY_THROW)
            ->storeToURL(OUString::fromUtf8(quillmark::office::fileUrl(path).c_str()),
                         Sequence<beans::PropertyValue>(&argument, 1));
    }

    Reference<frame::XModel> model;
    Reference<frame::XFrame> frame;

private:
    Office& office;
};

const char* yes(bool value) { return value ? "yes" : "no"; }

const char* verdict(bool modified)
{
    return modified ? u8"changed: the seal is invalid (drawn black and white, \"无效印章\")"
                    : "unchanged: the seal is valid";
}

void showIdentity(const Reference<XQORVTools>& tools)
{
    Reference<lang::XServiceInfo> info(tools, UNO_QUERY_THROW);
    std::cout << "Implementation: " << utf8(info->getImplementationName()) << "\n";
    for (const OUString& service : info->getSupportedServiceNames())
        std::cout << "Service:        " << utf8(service) << "\n";
    for (const uno::Type& type : Reference<lang::XTypeProvider>(tools, UNO_QUERY_THROW)->getTypes())
        std::cout << "Type:           " << utf8(type.getTypeName()) << "\n";
}

void stampAndVerify(Office& office, const std::string& out)
{
    std::cout << "\n== Stamping a notice with the demo seal\n";
    DemoDocument document(office, kNotice);
    Reference<XQORVTools> tools = document.makeHelper();
    showIdentity(tools);

    document.moveViewCursorToParagraphEnd(5);
    std::cout << "Stamping area inserted:        " << yes(tools->insertStampArea()) << "\n";
    document.selectStampArea();
    std::cout << "Selected kind (1 = area):      " << tools->getSelectedStampType() << "\n";
    std::cout << "Document stamped:              " << yes(tools->stampDocument()) << "\n";
    document.selectSeals();
    std::cout << "Selected kind (0 = seal):      " << tools->getSelectedStampType() << "\n";
    std::cout << "Verified as stamped:           " << verdict(tools->verifyDocument()) << "\n";

    document.store(out + "/stamped-notice.odt", "writer8");
    document.store(out + "/stamped-notice.pdf", "writer_pdf_Export");
    std::cout << "Saved:                         " << out << "/stamped-notice.odt and .pdf\n";

    document.insertText(3, OUString::fromUtf8(u8"不"));
    document.selectSeals();
    std::cout << "After typing one character:    " << verdict(tools->verifyDocument()) << "\n";
    document.store(out + "/changed-notice.pdf", "writer_pdf_Export");
    document.removeText(3, 1);
    document.selectSeals();
    std::cout << "After removing it again:       " << verdict(tools->verifyDocument()) << "\n";
}

void signField(Office& office)
{
    std::cout << "\n== Signing a field of the notice\n";
    DemoDocument document(office, kNotice);
    Reference<XQORVTools> tools = document.makeHelper();
    // Article one is the field: markers before and after its paragraph's text.
    const OUString text = document.textDocument()->getText()->getString();
    const sal_Int32 start = text.indexOf(OUString::fromUtf8(u8"一、"));
    const sal_Int32 end = text.indexOf('\n', start);
    const OUString field = OUString::fromUtf8(u8"第一条");
    document.insertMarker(end, field + "__@*End@");
    document.insertMarker(start, field + "__@*Start@");

    std::cout << "Field signed:                  " << yes(tools->signField(field)) << "\n";
    std::cout << "Field is signed:               " << yes(tools->isFieldSigned(field)) << "\n";
    std::cout << "Field text as signed:          " << yes(tools->verifyField(field)) << "\n";
    document.insertText(start + 4, OUString::fromUtf8(u8"不"));
    std::cout << "After a change inside it:      " << yes(tools->verifyField(field)) << "\n";
    document.removeText(start + 4, 1);
    document.insertText(0, OUString::fromUtf8(u8"（转发）"));
    std::cout << "After a change outside it:     " << yes(tools->verifyField(field)) << "\n";
}

void certificateSeal(Office& office, const std::string& out)
{
    std::cout << "\n== A certificate seal made with the demo key token\n";
    DemoDocument document(office, kNotice);
    Reference<XQORVTools> tools = document.makeHelper();
    const OUString text = document.textDocument()->getText()->getString();
    const auto signature
        = quillmark::certseal::signWithToken(kTokenPin, quillmark::certseal::gbkBytes(text));
    const OUString sealName = OUString::fromUtf8(signature.label.c_str());
    quillmark::certseal::writeSignatureFields(document.model, sealName, signature.certificate,
                                              signature.signedData);
    const std::string picture = office.workDirectory() + "/certificate-seal.gif";
    quillmark::certseal::writeDefaultSealPicture(picture, signature.label);
    quillmark::certseal::placeSealShape(document.model, quillmark::office::fileUrl(picture),
                                        { 12000, 20000, 1, 3840, 3840 }, sealName);
    std::cout << "Sealed by:                     " << signature.label << "\n";

    document.selectSeals();
    std::cout << "Verified as sealed:            " << verdict(tools->verifyDocument()) << "\n";
    document.store(out + "/certificate-sealed.odt", "writer8");
    document.insertText(0, " ");
    document.selectSeals();
    std::cout << "After adding a blank:          " << verdict(tools->verifyDocument()) << "\n";
}

Office::Options officeWithComponent(const DemoState& state)
{
    Office::Options options;
    options.arguments.push_back(
        quillmark::office::moreServices({ SEAL_COMPONENT_FILE, SEAL_UITOOLS_COMPONENT_FILE }));
    // The demo authority and the demo token's CA are trusted by this office alone, never
    // system-wide.
    // No person is there to type the seal's PIN into its box: the office reads it from the
    // demo's PIN file, as programs do.
    options.environment = { { "KTXESEAL_SEAL_DIR", state.sealDirectory },
                            { ktxeseal::kPinFileVariable, state.sealPinFile },
                            { "KTXESEAL_TRUST_DIR", state.authorityDirectory },
                            { "SOFTHSM2_CONF", state.tokenDirectory + "/softhsm2.conf" },
                            { "QORV_TRUST_STORE", state.tokenDirectory + "/ca.pem" } };
    return options;
}

void run(const std::string& out)
{
    mkdir(out.c_str(), 0755);
    const DemoState state = prepareState(out);
    setenv("SOFTHSM2_CONF", (state.tokenDirectory + "/softhsm2.conf").c_str(), 1);

    Office office(officeWithComponent(state));
    std::cout << "The demo seal's PIN comes from " << state.sealPinFile << " (named by "
              << ktxeseal::kPinFileVariable << " in the office's environment; readable by you "
              << "alone). In Writer a person types it into the PIN box instead." << std::endl;
    std::cout << "Starting a headless office with the seal component..." << std::endl;
    office.start();
    office.addToGallery(SEAL_STAMP_AREA_PICTURE);

    stampAndVerify(office, out);
    signField(office);
    certificateSeal(office, out);

    const ktxeseal::RegisterCheck check = ktxeseal::checkRegister(state.sealDirectory);
    std::cout << "\n== The demo seal's stamping register\n"
              << state.sealDirectory << "/" << ktxeseal::kStampRegisterFile << ": " << check.entries
              << " entries, "
              << (check.intact
                      ? "intact"
                      : "BROKEN at entry " + std::to_string(check.firstBad) + ": " + check.problem)
              << " (quillmark-stamp-log list " << state.sealDirectory << " shows them)"
              << std::endl;
    std::cout << "\nDone. Results are in " << out << std::endl;
}
}

int main(int argc, char** argv)
{
    constexpr char kUsage[] = "usage: seal_demo [OUT]\n"
                              "  Runs the main job in a headless office and leaves its documents "
                              "in OUT (default out).\n";
    std::string out = "out";
    try
    {
        const auto operands = quillmark::commandline::operandsOnly(argc, argv, 0, 1);
        if (!operands)
        {
            std::cout << kUsage;
            return 0;
        }
        if (!operands->empty())
            out = operands->front();
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "seal_demo: " << error.what() << "\n" << kUsage;
        return quillmark::commandline::kUsageStatus;
    }
    try
    {
        char resolved[4096];
        mkdir(out.c_str(), 0755);
        run(realpath(out.c_str(), resolved) ? resolved : out);
        return 0;
    }
    catch (const uno::Exception& exception)
    {
        std::cerr << "demo failed: " << utf8(exception.Message) << std::endl;
    }
    catch (const std::exception& exception)
    {
        std::cerr << "demo failed: " << exception.what() << std::endl;
    }
    return 1;
}
