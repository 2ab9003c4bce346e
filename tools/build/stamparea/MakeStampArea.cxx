// Writes the stamping-area placeholder picture.

#include "SealPictureDrawing.hxx"

#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: quillmark-make-stamp-area OUTPUT.gif\n";
        return 2;
    }
    try
    {
        const auto picture = quillmark::sealmaker::drawStampAreaPicture();
        std::ofstream file(argv[1], std::ios::binary);
        file.write(reinterpret_cast<const char*>(picture.data()),
                   static_cast<std::streamsize>(picture.size()));
        file.close();
        if (!file)
        {
            std::cerr << "cannot write " << argv[1] << "\n";
            return 1;
        }
        return 0;
    }
    catch (const std::exception& error)
    {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
