// Entry points of the suite's seal UI services: the seal menu and the certificate box.

#include "CertInfoBox.hxx"
#include "SealDetailsBox.hxx"
#include "SealPopupMenu.hxx"

#include <ServiceFactory.hxx>
#include <uno/lbnames.h>

extern "C" {

SAL_DLLPUBLIC_EXPORT void SAL_CALL component_getImplementationEnvironment(const char** envTypeName,
                                                                          uno_Environment**)
{
    *envTypeName = CPPU_CURRENT_LANGUAGE_BINDING_NAME;
}

SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* implName, void*, void*)
{
    using quillmark::uitools::CertInfoBox;
    using quillmark::uitools::SealDetailsBox;
    using quillmark::uitools::SealPopupMenu;
    return quillmark::factoryFor<CertInfoBox, SealDetailsBox, SealPopupMenu>(implName);
}
}
