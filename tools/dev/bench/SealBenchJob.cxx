// The benchmark that runs inside the office: the seal operations on the document of a frame,
// each beside its floor (the text read once, converted to GBK, hashed with SM3 and one SM2
// signature), timed with no bridge in between. The work runs on the office's main thread, where
// menu commands and macros run it: from a bridge thread every call would wait for the main
// loop's layout and idle work, and the figures would time that instead.

#include <docstore/DocumentCoverage.hxx>
#include <docstore/DocumentText.hxx>
#include <operations/FieldMarkers.hxx>
#include <component/QORVHelper.hxx>

#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/factory.hxx>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>
#include <osl/conditn.hxx>
#include <rtl/ref.hxx>
#include <uno/lbnames.h>

#include <openssl/evp.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <vector>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OString;
using rtl::OUString;

namespace
{
constexpr char kImplementation[] = "Quillmark.Implementations.Bench.SealBenchmark";
constexpr char kService[] = "Quillmark.Bench.SealBenchmark";

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

/// Wall time and the main thread's CPU time: on a busy machine the wall time also counts the
/// time the thread waited for a core.
struct Timing
{
    double wall = 0;
    double cpu = 0;
    Timing& operator+=(const Timing& other)
    {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

Timing seconds(const std::function<void()>& work)
{
    const double cpuStart = threadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    return { std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
             threadCpuSeconds() - cpuStart };
}

/// Runs the work once on the main thread and waits for it.
class MainThreadRun : public cppu::WeakImplHelper1<awt::XCallback>
{
public:
    explicit MainThreadRun(std::function<void()> work)
        : work(std::move(work))
    {
    }
    void SAL_CALL notify(const Any&) override
    {
        try
        {
            work();
        }
        catch (const uno::Exception& e)
        {
            failure = e.Message;
        }
        done.set();
    }
    void run(const Reference<uno::XComponentContext>& context)
    {
        awt::AsyncCallback::create(context)->addCallback(this, Any());
        done.wait();
        if (!failure.isEmpty())
            throw uno::RuntimeException(failure);
    }

private:
    std::function<void()> work;
    osl::Condition done;
    OUString failure;
};

/// SM3 over the bytes and one SM2 signature of the digest, as a seal signature costs at least.
class Sm2Floor
{
public:
    Sm2Floor()
        : key(EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2"))
    {
    }
    ~Sm2Floor() { EVP_PKEY_free(key); }
    Sm2Floor(const Sm2Floor&) = delete;
    Sm2Floor& operator=(const Sm2Floor&) = delete;

    std::vector<unsigned char> sm3(const OString& bytes) const
    {
        std::vector<unsigned char> digest(EVP_MAX_MD_SIZE);
        unsigned int length = 0;
        EVP_Digest(bytes.getStr(), static_cast<size_t>(bytes.getLength()), digest.data(), &length,
                   EVP_sm3(), nullptr);
        digest.resize(length);
        return digest;
    }

    void sign(const std::vector<unsigned char>& digest) const
    {
        EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(key, nullptr);
        size_t length = 0;
        if (context && EVP_PKEY_sign_init(context) > 0
            && EVP_PKEY_sign(context, nullptr, &length, digest.data(), digest.size()) > 0)
        {
            std::vector<unsigned char> signature(length);
            EVP_PKEY_sign(context, signature.data(), &length, digest.data(), digest.size());
        }
        EVP_PKEY_CTX_free(context);
    }

private:
    EVP_PKEY* key;
};

beans::NamedValue value(const char* name, double number)
{
    return beans::NamedValue(OUString::createFromAscii(name), Any(number));
}

/// A timing as two results: the wall time under its name, the CPU time under name + "Cpu".
void addTiming(std::vector<beans::NamedValue>& results, const char* name, const Timing& timing)
{
    results.push_back(value(name, timing.wall));
    results.push_back(beans::NamedValue(OUString::createFromAscii(name) + "Cpu", Any(timing.cpu)));
}

class SealBenchmark : public cppu::WeakImplHelper2<task::XJob, lang::XServiceInfo>
{
public:
    explicit SealBenchmark(const Reference<uno::XComponentContext>& context)
        : context(context)
    {
    }

    Any SAL_CALL execute(const uno::Sequence<beans::NamedValue>& arguments) override
    {
        Reference<frame::XFrame> frame;
        OUString task;
        sal_Int32 count = 0;
        for (const beans::NamedValue& argument : arguments)
        {
            if (argument.Name == "Frame")
                argument.Value >>= frame;
            else if (argument.Name == "Task")
                argument.Value >>= task;
            else if (argument.Name == "Count")
                argument.Value >>= count;
        }
        std::vector<beans::NamedValue> results;
        rtl::Reference<MainThreadRun> run = new MainThreadRun([&] {
            rtl::Reference<quillmark::QORVHelper> helper = new quillmark::QORVHelper(context);
            const Any frameArgument(frame);
            helper->initialize(uno::Sequence<Any>(&frameArgument, 1));
            if (task == "fields")
                results = fields(*helper, frame, count);
            else if (task == "stamp")
                results = stampOnly(*helper, frame);
            else
                results = document(*helper, frame);
        });
        run->run(context);
        return Any(uno::Sequence<beans::NamedValue>(results.data(),
                                                    static_cast<sal_Int32>(results.size())));
    }

    OUString SAL_CALL getImplementationName() override
    {
        return OUString::createFromAscii(kImplementation);
    }
    sal_Bool SAL_CALL supportsService(const OUString& name) override
    {
        return name.equalsAscii(kService);
    }
    uno::Sequence<OUString> SAL_CALL getSupportedServiceNames() override
    {
        const OUString service = OUString::createFromAscii(kService);
        return uno::Sequence<OUString>(&service, 1);
    }

private:
    /// Floor, stamping and verification of the whole document. The floor is what no stamp can
    /// do without: the text read, converted and hashed, one signature, and the coverage read.
    std::vector<beans::NamedValue> document(quillmark::QORVHelper& helper,
                                            const Reference<frame::XFrame>& frame)
    {
        Reference<frame::XModel> model = frame->getController()->getModel();
        Sm2Floor floor;
        OUString text;
        OString bytes;
        std::vector<unsigned char> digest;
        std::vector<beans::NamedValue> results;
        addTiming(results, "getString", seconds([&] { text = quillmark::documentText(model); }));
        addTiming(results, "gbk", seconds([&] { bytes = quillmark::toGbk(text); }));
        addTiming(results, "sm3", seconds([&] { digest = floor.sm3(bytes); }));
        addTiming(results, "sm2", seconds([&] { floor.sign(digest); }));
        // What a seal signs beside the text: the canonical reading of everything else.
        addTiming(results, "coverage",
                  seconds([&] { quillmark::readDocumentCoverage(context, model); }));
        results.push_back(value("characters", text.getLength()));

        // The stamping area goes at the start; stamping leaves the seal picture there.
        Reference<text::XTextViewCursorSupplier>(frame->getController(), UNO_QUERY_THROW)
            ->getViewCursor()
            ->gotoStart(false);
        helper.insertStampArea();
        // The office switches its tools to a new selection on a timer, which a user's click on
        // the menu has long outwaited; asking for the selection makes the switch now, untimed.
        model->getCurrentSelection();
        bool stamped = false;
        addTiming(results, "stamp", seconds([&] { stamped = helper.stampDocument(); }));
        results.push_back(value("stamped", stamped ? 1 : 0));

        // The seal selected, as a verifier clicks it.
        Reference<drawing::XShapes> seals(
            Reference<lang::XMultiServiceFactory>(context->getServiceManager(), UNO_QUERY_THROW)
                ->createInstance("com.sun.star.drawing.ShapeCollection"),
            UNO_QUERY_THROW);
        Reference<container::XIndexAccess> page(
            Reference<drawing::XDrawPageSupplier>(model, UNO_QUERY_THROW)->getDrawPage(),
            UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < page->getCount(); ++i)
            seals->add(Reference<drawing::XShape>(page->getByIndex(i), UNO_QUERY));
        Reference<view::XSelectionSupplier>(frame->getController(), UNO_QUERY_THROW)
            ->select(Any(seals));
        model->getCurrentSelection();
        bool modified = true;
        addTiming(results, "verify", seconds([&] { modified = helper.verifyDocument(); }));
        results.push_back(value("verified", modified ? 0 : 1));
        return results;
    }

    /// Stamps the document at its start, as a clerk would before storing it.
    std::vector<beans::NamedValue> stampOnly(quillmark::QORVHelper& helper,
                                             const Reference<frame::XFrame>& frame)
    {
        Reference<text::XTextViewCursorSupplier>(frame->getController(), UNO_QUERY_THROW)
            ->getViewCursor()
            ->gotoStart(false);
        const bool stamped = helper.insertStampArea() && helper.stampDocument();
        return { value("stamped", stamped ? 1 : 0) };
    }

    /// Marks every paragraph as a field, then signs and verifies each, beside the floor of the
    /// same field texts.
    std::vector<beans::NamedValue> fields(quillmark::QORVHelper& helper,
                                          const Reference<frame::XFrame>& frame, sal_Int32 count)
    {
        Reference<frame::XModel> model = frame->getController()->getModel();
        markParagraphs(model, count);
        Sm2Floor floor;
        std::vector<beans::NamedValue> results;
        Timing getString, gbk, sm3, sm2;
        // The floor finds every field's markers in one walk, then reads each field's text.
        std::map<OUString, std::pair<Reference<text::XTextContent>, Reference<text::XTextContent>>>
            bounds;
        getString += seconds([&] {
            const OUString start = "__@*Start@";
            const OUString end = "__@*End@";
            quillmark::forEachContentField(
                model, [&](const Reference<beans::XPropertySet>& marker, const OUString& content) {
                    auto& [first, last] = bounds[content.copy(
                        0, content.getLength()
                               - (content.endsWith(start) ? start.getLength() : end.getLength()))];
                    auto& slot = content.endsWith(start) ? first : last;
                    if (!slot.is())
                        slot.set(marker, UNO_QUERY);
                    return true;
                });
        });
        for (sal_Int32 i = 0; i < count; ++i)
        {
            OUString text;
            OString bytes;
            std::vector<unsigned char> digest;
            getString += seconds([&] {
                const auto& [start, end] = bounds[name(i)];
                text = quillmark::textBetweenMarkers(start, end);
            });
            gbk += seconds([&] { bytes = quillmark::toGbk(text); });
            sm3 += seconds([&] { digest = floor.sm3(bytes); });
            sm2 += seconds([&] { floor.sign(digest); });
        }
        addTiming(results, "getString", getString);
        addTiming(results, "gbk", gbk);
        addTiming(results, "sm3", sm3);
        addTiming(results, "sm2", sm2);
        sal_Int32 signedFields = 0;
        addTiming(results, "sign", seconds([&] {
                      for (sal_Int32 i = 0; i < count; ++i)
                          signedFields += helper.signField(name(i)) ? 1 : 0;
                  }));
        sal_Int32 valid = 0;
        addTiming(results, "verify", seconds([&] {
                      for (sal_Int32 i = 0; i < count; ++i)
                          valid += helper.verifyField(name(i)) ? 1 : 0;
                  }));
        sal_Int32 surveyedValid = 0;
        addTiming(results, "survey", seconds([&] {
                      for (const auto& seal : helper.surveySeals(false))
                          surveyedValid += seal.Valid ? 1 : 0;
                  }));
        results.push_back(value("surveyed", surveyedValid));
        results.push_back(value("signed", signedFields));
        results.push_back(value("valid", valid));
        return results;
    }

    static OUString name(sal_Int32 i) { return "field" + OUString::number(i); }

    void markParagraphs(const Reference<frame::XModel>& model, sal_Int32 count)
    {
        Reference<lang::XMultiServiceFactory> factory(model, UNO_QUERY_THROW);
        Reference<text::XText> body
            = Reference<text::XTextDocument>(model, UNO_QUERY_THROW)->getText();
        Reference<text::XTextCursor> cursor = body->createTextCursor();
        Reference<text::XParagraphCursor> paragraphs(cursor, UNO_QUERY_THROW);
        cursor->gotoStart(false);
        for (sal_Int32 i = 0; i < count; ++i)
        {
            for (const char* suffix : { "__@*Start@", "__@*End@" })
            {
                if (suffix[4] == 'E')
                    paragraphs->gotoEndOfParagraph(false);
                Reference<beans::XPropertySet> marker(
                    factory->createInstance("com.sun.star.text.TextField.Annotation"),
                    UNO_QUERY_THROW);
                marker->setPropertyValue("Content",
                                         Any(name(i) + OUString::createFromAscii(suffix)));
                body->insertTextContent(Reference<text::XTextRange>(cursor, UNO_QUERY_THROW),
                                        Reference<text::XTextContent>(marker, UNO_QUERY_THROW),
                                        false);
            }
            if (!paragraphs->gotoNextParagraph(false))
                break;
        }
    }

    Reference<uno::XComponentContext> context;
};

Reference<uno::XInterface> SAL_CALL create(const Reference<uno::XComponentContext>& context)
{
    return static_cast<cppu::OWeakObject*>(new SealBenchmark(context));
}
}

extern "C" {
SAL_DLLPUBLIC_EXPORT void SAL_CALL component_getImplementationEnvironment(const char** name,
                                                                          uno_Environment**)
{
    *name = CPPU_CURRENT_LANGUAGE_BINDING_NAME;
}

SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* implementation, void*, void*)
{
    if (!implementation || rtl_str_compare(implementation, kImplementation) != 0)
        return nullptr;
    const OUString service = OUString::createFromAscii(kService);
    Reference<lang::XSingleComponentFactory> factory = cppu::createSingleComponentFactory(
        create, OUString::createFromAscii(kImplementation), uno::Sequence<OUString>(&service, 1));
    factory->acquire();
    return factory.get();
}
}
