// What the component tells the office's loader and every caller about itself.

#include <component/QORVHelper.hxx>
#include <component/SealContextMenuInterceptor.hxx>

#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/registry/InvalidRegistryException.hpp>
#include <com/sun/star/registry/XRegistryKey.hpp>
#include <com/sun/star/uno/XWeak.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/weakref.hxx>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <rtl/ref.hxx>
#include <uno/environment.h>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::Sequence;
using rtl::OUString;

extern "C" {
void component_getImplementationEnvironment(const char** envTypeName, uno_Environment** env);
sal_Bool component_writeInfo(void* serviceManager, void* registryKey);
void* component_getFactory(const char* implName, void* serviceManager, void* registryKey);
}

// Counts the component's calls of the certificate library's finalisation, then lets the library
// do its part.
static int finalizeCalls = 0;
extern "C" int KTX_Finalize(void)
{
    ++finalizeCalls;
    using Finalize = int (*)();
    static auto next = reinterpret_cast<Finalize>(dlsym(RTLD_NEXT, "KTX_Finalize"));
    return next ? next() : 0;
}

namespace
{
constexpr char kImplementation[] = "Quillmark.Implementations.Certificate.QORVHelper";
constexpr char kService[] = "Quillmark.Certificate.QORVHelper";

/// A registry key that records the keys created below it.
class RecordingKey : public cppu::WeakImplHelper1<registry::XRegistryKey>
{
public:
    RecordingKey(OUString keyName, std::vector<OUString>* created, int failAfter = -1)
        : name(std::move(keyName))
        , createdKeys(created)
        , remainingBeforeFailure(failAfter)
    {
    }

    Reference<registry::XRegistryKey> SAL_CALL createKey(const OUString& keyName) override
    {
        if (remainingBeforeFailure == 0)
            throw registry::InvalidRegistryException("refused");
        if (remainingBeforeFailure > 0)
            --remainingBeforeFailure;
        if (givesNoKey)
            return {};
        const OUString full = keyName.startsWith("/") ? keyName : name + "/" + keyName;
        createdKeys->push_back(full);
        return new RecordingKey(full, createdKeys, remainingBeforeFailure);
    }

    /// A registry that hands out no key where it should, without an exception.
    bool givesNoKey = false;

    OUString SAL_CALL getKeyName() override { return name; }
    sal_Bool SAL_CALL isReadOnly() override { return false; }
    sal_Bool SAL_CALL isValid() override { return true; }
    registry::RegistryKeyType SAL_CALL getKeyType(const OUString&) override
    {
        return registry::RegistryKeyType_KEY;
    }
    registry::RegistryValueType SAL_CALL getValueType() override
    {
        return registry::RegistryValueType_NOT_DEFINED;
    }
    sal_Int32 SAL_CALL getLongValue() override { return 0; }
    void SAL_CALL setLongValue(sal_Int32) override {}
    Sequence<sal_Int32> SAL_CALL getLongListValue() override { return {}; }
    void SAL_CALL setLongListValue(const Sequence<sal_Int32>&) override {}
    OUString SAL_CALL getAsciiValue() override { return {}; }
    void SAL_CALL setAsciiValue(const OUString&) override {}
    Sequence<OUString> SAL_CALL getAsciiListValue() override { return {}; }
    void SAL_CALL setAsciiListValue(const Sequence<OUString>&) override {}
    OUString SAL_CALL getStringValue() override { return {}; }
    void SAL_CALL setStringValue(const OUString&) override {}
    Sequence<OUString> SAL_CALL getStringListValue() override { return {}; }
    void SAL_CALL setStringListValue(const Sequence<OUString>&) override {}
    Sequence<sal_Int8> SAL_CALL getBinaryValue() override { return {}; }
    void SAL_CALL setBinaryValue(const Sequence<sal_Int8>&) override {}
    Reference<registry::XRegistryKey> SAL_CALL openKey(const OUString&) override { return {}; }
    void SAL_CALL closeKey() override {}
    void SAL_CALL deleteKey(const OUString&) override {}
    Sequence<Reference<registry::XRegistryKey>> SAL_CALL openKeys() override { return {}; }
    Sequence<OUString> SAL_CALL getKeyNames() override { return {}; }
    sal_Bool SAL_CALL createLink(const OUString&, const OUString&) override { return false; }
    void SAL_CALL deleteLink(const OUString&) override {}
    OUString SAL_CALL getLinkTarget(const OUString&) override { return {}; }
    OUString SAL_CALL getResolvedName(const OUString& keyName) override { return keyName; }

private:
    OUString name;
    std::vector<OUString>* createdKeys;
    int remainingBeforeFailure;
};

rtl::Reference<quillmark::QORVHelper> newHelper() { return new quillmark::QORVHelper(nullptr); }
}

TEST(ComponentIdentity, ServiceNameIsMatchedExactly)
{
    auto helper = newHelper();
    EXPECT_TRUE(helper->supportsService(kService));
    EXPECT_FALSE(helper->supportsService("quillmark.certificate.qorvhelper"));
    EXPECT_FALSE(helper->supportsService("Quillmark.Certificate.QORVHelper "));
    EXPECT_FALSE(helper->supportsService(" Quillmark.Certificate.QORVHelper"));
    EXPECT_FALSE(helper->supportsService("Quillmark.Certificate.QORVHelpe"));
    EXPECT_FALSE(helper->supportsService(kImplementation));
    EXPECT_FALSE(helper->supportsService(""));
}

TEST(ComponentIdentity, NamesAreReportedAsRegistered)
{
    auto helper = newHelper();
    EXPECT_EQ(OUString(kImplementation), helper->getImplementationName());
    const Sequence<OUString> services = helper->getSupportedServiceNames();
    ASSERT_EQ(1, services.getLength());
    EXPECT_EQ(OUString(kService), services[0]);
}

TEST(ComponentIdentity, EnvironmentIsTheGcc3Binding)
{
    const char* name = nullptr;
    uno_Environment* environment = reinterpret_cast<uno_Environment*>(0x1);
    component_getImplementationEnvironment(&name, &environment);
    EXPECT_STREQ("gcc3", name);
    EXPECT_EQ(reinterpret_cast<uno_Environment*>(0x1), environment);
}

TEST(ComponentFactory, GivesAFactoryOnlyForTheImplementationName)
{
    EXPECT_EQ(nullptr, component_getFactory(kService, nullptr, nullptr));
    EXPECT_EQ(nullptr, component_getFactory("quillmark.implementations.certificate.qorvhelper",
                                            nullptr, nullptr));
    EXPECT_EQ(nullptr, component_getFactory("", nullptr, nullptr));

    void* raw = component_getFactory(kImplementation, nullptr, nullptr);
    ASSERT_NE(nullptr, raw);
    // The loader owns the one reference the entry point hands out: once it is given up the
    // factory goes.
    uno::WeakReference<uno::XInterface> weak;
    {
        Reference<lang::XSingleComponentFactory> factory(
            static_cast<lang::XSingleComponentFactory*>(raw), SAL_NO_ACQUIRE);
        weak = factory;
        Reference<lang::XServiceInfo> made(factory->createInstanceWithContext(nullptr),
                                           uno::UNO_QUERY);
        ASSERT_TRUE(made.is());
        EXPECT_EQ(OUString(kImplementation), made->getImplementationName());

        Reference<lang::XServiceInfo> other(factory->createInstanceWithContext(nullptr),
                                            uno::UNO_QUERY);
        EXPECT_NE(made, other) << "every request makes a new helper";
    }
    EXPECT_FALSE(Reference<uno::XInterface>(weak).is());
}

TEST(ComponentRegistration, WritesOneServiceKeyUnderTheImplementationKey)
{
    std::vector<OUString> created;
    rtl::Reference<RecordingKey> root = new RecordingKey("", &created);
    EXPECT_TRUE(component_writeInfo(nullptr, static_cast<registry::XRegistryKey*>(root.get())));
    ASSERT_EQ(2u, created.size());
    EXPECT_EQ(OUString("/Quillmark.Implementations.Certificate.QORVHelper/UNO/SERVICES"),
              created[0]);
    EXPECT_EQ(OUString("/Quillmark.Implementations.Certificate.QORVHelper/UNO/SERVICES/"
                       "Quillmark.Certificate.QORVHelper"),
              created[1]);
}

TEST(ComponentRegistration, NullKeyIsRefused)
{
    EXPECT_FALSE(component_writeInfo(nullptr, nullptr));
}

TEST(ComponentRegistration, RegistryFailureGivesFalseAndKeepsEarlierKeys)
{
    std::vector<OUString> created;
    rtl::Reference<RecordingKey> root = new RecordingKey("", &created, 1);
    EXPECT_FALSE(component_writeInfo(nullptr, static_cast<registry::XRegistryKey*>(root.get())));
    ASSERT_EQ(1u, created.size());
    EXPECT_EQ(OUString("/Quillmark.Implementations.Certificate.QORVHelper/UNO/SERVICES"),
              created[0]);
}

TEST(ComponentRegistration, RegistryGivingNoKeyGivesFalse)
{
    std::vector<OUString> created;
    rtl::Reference<RecordingKey> root = new RecordingKey("", &created);
    root->givesNoKey = true;
    EXPECT_FALSE(component_writeInfo(nullptr, static_cast<registry::XRegistryKey*>(root.get())));
    EXPECT_TRUE(created.empty());
}

TEST(ComponentTypes, HelperListsItsEightTypesInOrder)
{
    auto helper = newHelper();
    const Sequence<uno::Type> types = helper->getTypes();
    const std::vector<OUString> expected = {
        "Quillmark.Certificate.XQORVTools",  "com.sun.star.lang.XInitialization",
        "com.sun.star.lang.XServiceInfo",    "com.sun.star.view.XSelectionChangeListener",
        "Quillmark.Certificate.XSealSurvey", "Quillmark.Certificate.XSealCoverage",
        "com.sun.star.lang.XTypeProvider",   "com.sun.star.uno.XWeak",
    };
    ASSERT_EQ(static_cast<sal_Int32>(expected.size()), types.getLength());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(expected[i], types[i].getTypeName()) << "type " << i;
}

TEST(ComponentTypes, InterceptorListsItsThreeTypesInOrder)
{
    rtl::Reference<quillmark::SealContextMenuInterceptor> interceptor
        = new quillmark::SealContextMenuInterceptor(nullptr, nullptr);
    const Sequence<uno::Type> types = interceptor->getTypes();
    ASSERT_EQ(3, types.getLength());
    EXPECT_EQ(OUString("com.sun.star.ui.XContextMenuInterceptor"), types[0].getTypeName());
    EXPECT_EQ(OUString("com.sun.star.lang.XTypeProvider"), types[1].getTypeName());
    EXPECT_EQ(OUString("com.sun.star.uno.XWeak"), types[2].getTypeName());
}

TEST(ComponentTypes, ImplementationIdIsSixteenStableBytesPerClass)
{
    auto first = newHelper();
    auto second = newHelper();
    const Sequence<sal_Int8> id = first->getImplementationId();
    ASSERT_EQ(16, id.getLength());
    EXPECT_EQ(id, first->getImplementationId());
    EXPECT_EQ(id, second->getImplementationId());
    EXPECT_NE(Sequence<sal_Int8>(16), id) << "the identifier is not all zero";

    rtl::Reference<quillmark::SealContextMenuInterceptor> interceptor
        = new quillmark::SealContextMenuInterceptor(nullptr, nullptr);
    const Sequence<sal_Int8> interceptorId = interceptor->getImplementationId();
    ASSERT_EQ(16, interceptorId.getLength());
    EXPECT_NE(id, interceptorId);
    EXPECT_EQ(interceptorId, interceptor->getImplementationId());
}

TEST(ComponentTypes, HelperAnswersQueriesForItsInterfaces)
{
    auto helper = newHelper();
    Reference<uno::XInterface> object(static_cast<cppu::OWeakObject*>(helper.get()));
    EXPECT_TRUE(Reference<Quillmark::Certificate::XQORVTools>(object, uno::UNO_QUERY).is());
    EXPECT_TRUE(Reference<lang::XInitialization>(object, uno::UNO_QUERY).is());
    EXPECT_TRUE(Reference<view::XSelectionChangeListener>(object, uno::UNO_QUERY).is());
    EXPECT_TRUE(Reference<lang::XEventListener>(object, uno::UNO_QUERY).is());
    EXPECT_TRUE(Reference<lang::XTypeProvider>(object, uno::UNO_QUERY).is());
    EXPECT_TRUE(Reference<uno::XWeak>(object, uno::UNO_QUERY).is());
    EXPECT_FALSE(Reference<lang::XComponent>(object, uno::UNO_QUERY).is());
}

TEST(HelperLifecycle, FreshHelperHoldsItsInitialState)
{
    auto helper = newHelper();
    EXPECT_FALSE(helper->isDocumentModified());
    EXPECT_TRUE(helper->getUserPin().isEmpty());
    EXPECT_TRUE(helper->getContainerName().isEmpty());
    EXPECT_TRUE(helper->getFieldPictureURL().isEmpty());
    ASSERT_EQ(18, helper->getCertificateInfo().getLength());
    for (const OUString& item : helper->getCertificateInfo())
        EXPECT_TRUE(item.isEmpty());
    EXPECT_FALSE(helper->isLibraryReady());
    EXPECT_EQ(0, helper->getSealPosition().X);
    EXPECT_EQ(0, helper->getSealPosition().Y);
    EXPECT_EQ(0, helper->getSealPictureSize().Width);
    EXPECT_EQ(0, helper->getSealPictureSize().Height);
    EXPECT_FALSE(helper->getMenuInterceptor().is());
    EXPECT_FALSE(helper->getDocumentFrame().is());
    EXPECT_FALSE(helper->getToolkit().is());
    EXPECT_TRUE(helper->getPictureURL().Complete.isEmpty());
    EXPECT_EQ(0, helper->getPictureURL().Port);
}

TEST(HelperLifecycle, ReleaseFinalizesTheCertificateLibraryOnce)
{
    finalizeCalls = 0;
    {
        auto helper = newHelper();
        EXPECT_EQ(0, finalizeCalls) << "construction leaves the library alone";
    }
    EXPECT_EQ(1, finalizeCalls);

    finalizeCalls = 0;
    {
        Reference<uno::XInterface> first(static_cast<cppu::OWeakObject*>(newHelper().get()));
        Reference<uno::XInterface> second(first);
    }
    EXPECT_EQ(1, finalizeCalls) << "two references, one object, one finalisation";
}

TEST(HelperLifecycle, UninitialisedHelperShowsNothingAndFailsEveryOperation)
{
    auto helper = newHelper();
    helper->showMessage("text");
    helper->showErrorMessage("text");
    EXPECT_FALSE(helper->stampDocument());
    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_FALSE(helper->removeDocumentStamp());
    EXPECT_FALSE(helper->deleteSelectedStamp());
    EXPECT_EQ(-1, helper->getSelectedStampType());
    EXPECT_FALSE(helper->showCertificateInfo("text"));
    EXPECT_FALSE(helper->signField("field"));
    EXPECT_FALSE(helper->verifyField("field"));
    EXPECT_FALSE(helper->verifySelectedField());
    EXPECT_FALSE(helper->removeSelectedFieldStamp());
    EXPECT_TRUE(helper->getFieldSignature("field").isEmpty());
    EXPECT_FALSE(helper->setFieldSignature("field", "signature"));
    EXPECT_FALSE(helper->isFieldSigned("field"));
    EXPECT_FALSE(helper->insertStampArea());
}
