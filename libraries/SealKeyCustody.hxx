/// The holder's side of the seal's custody for one operation that uses the seal's key: the seal
/// library asks for the PIN in the suite's PIN box on the helper's document, tells why it
/// refused in the helper's message box, and records the operation and the document in its
/// stamping register. Made on the operation's stack after its binding, with which it shares the
/// library.
#pragma once

#include <libraries/SealLibraryBinding.hxx>

#include <rtl/string.hxx>

namespace quillmark
{
class QORVHelper;

using rtl::OString;

class SealKeyCustody
{
public:
    /// Opens the operation (a KTXESEAL_OPERATION_*) on the helper's document.
    SealKeyCustody(QORVHelper& helper, SealLibraryBinding& sealLibrary, int operation);
    ~SealKeyCustody();
    SealKeyCustody(const SealKeyCustody&) = delete;
    SealKeyCustody& operator=(const SealKeyCustody&) = delete;

    /// Goes on as `operation` on the same document with the key already unlocked: the register
    /// tells a stamp's second signature from its first.
    void continueAs(int operation);

    /// Whether the holder knows why the seal did nothing: told of a refusal, or declined to give
    /// the PIN.
    bool holderKnowsWhy() const { return refused || declined; }

private:
    static int askForPin(void* context, const char* sealName, char* pin, int pinSize);
    static void tellRefusal(void* context, int status);

    QORVHelper& helper;
    SealLibraryBinding& sealLibrary;
    OString title;
    OString file;
    bool refused = false;
    bool declined = false;
};
}
