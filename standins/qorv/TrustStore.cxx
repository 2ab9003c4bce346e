#include "TrustStore.hxx"

#include <openssl/err.h>

#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>

namespace qorv
{
namespace
{
bool isRegularFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
}

std::string configuredTrustStore()
{
    const char* path = std::getenv(kTrustStoreVariable);
    return path && *path ? path : kDefaultTrustStore;
}

StorePtr loadTrustStore(const std::string& path)
{
    StorePtr store(X509_STORE_new());
    if (!store)
        return nullptr;
    bool loaded = false;
    if (isRegularFile(path))
        loaded = X509_STORE_load_file(store.get(), path.c_str()) == 1;
    else if (DIR* folder = opendir(path.c_str()))
    {
        while (const dirent* entry = readdir(folder))
        {
            const std::string file = path + "/" + entry->d_name;
            if (entry->d_name[0] != '.' && isRegularFile(file)
                && X509_STORE_load_file(store.get(), file.c_str()) == 1)
                loaded = true;
        }
        closedir(folder);
    }
    ERR_clear_error();
    return loaded ? std::move(store) : nullptr;
}
}
