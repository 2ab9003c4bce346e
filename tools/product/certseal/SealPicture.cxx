#include "SealPicture.hxx"

#include <SealPictureDrawing.hxx>

#include <fstream>
#include <stdexcept>

namespace quillmark::certseal
{
void writeDefaultSealPicture(const std::string& path, const std::string& name)
{
    const ktxeseal::Bytes picture
        = sealmaker::drawSealPicture(name, sealmaker::kDefaultPictureSize);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(picture.data()),
               static_cast<std::streamsize>(picture.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write the seal picture " + path);
}
}
