// Writes the stamping-area placeholder picture.

#include "SealPictureDrawing.hxx"

#include <CommandLine.hxx>

#include <fstream>
#include <iostream>

namespace
{
constexpr char kUsage[] = "usage: quillmark-make-stamp-area OUTPUT.gif\n"
                          "  Draws the stamping-area placeholder (a dashed red box reading "
                          "盖章区域) as a GIF.\n";
}

int main(int argc, char** argv)
{
    std::string output;
    try
    {
        const auto operands = quillmark::commandline::operandsOnly(argc, argv, 1, 1);
        if (!operands)
        {
            std::cout << kUsage;
            return 0;
        }
        output = operands->front();
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "quillmark-make-stamp-area: " << error.what() << "\n" << kUsage;
        return quillmark::commandline::kUsageStatus;
    }
    try
    {
        const auto picture = quillmark::sealmaker::drawStampAreaPicture();
        std::ofstream file(output, std::ios::binary);
        file.write(reinterpret_cast<const char*>(picture.data()),
                   static_cast<std::streamsize>(picture.size()));
        file.close();
        if (!file)
        {
            std::cerr << "cannot write " << output << "\n";
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
