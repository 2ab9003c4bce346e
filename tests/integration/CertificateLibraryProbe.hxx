/// Stands between the component and the certificate library: counts the calls a test asks about
/// and makes chosen certificate items fail; everything else reaches the real library.
#pragma once

namespace quillmark::test::probe
{
struct LibraryCalls
{
    int initialize = 0;
    int finalize = 0;
};

/// Calls since the last reset.
const LibraryCalls& calls();
/// Forgets the counts and every failure asked for.
void reset();
/// From now on KTX_Pkcs7_DecodeSignedData leaves its signer area empty, as a library may that
/// keeps to the letter of its contract.
void leaveSignerAreaEmpty();
/// From now on KTX_GetCertificateInfo answers `status` for `itemType` without asking the library.
void failCertificateItem(int itemType, int status);
}
