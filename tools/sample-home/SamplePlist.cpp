#include "sample-home/SamplePlist.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace varnholt::sample {

namespace {
struct MemoryFree {
    void operator()(char* bytes) const { std::free(bytes); }
};

std::string written(char* raw, std::uint32_t length)
{
    const std::unique_ptr<char, MemoryFree> owned(raw);
    if (!owned)
        throw std::runtime_error("sample home: a property list could not be written");
    return std::string(owned.get(), length);
}
} // namespace

std::string binaryPlist(plist_t root)
{
    char* raw = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &raw, &length);
    return written(raw, length);
}

std::string xmlPlist(plist_t root)
{
    char* raw = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root, &raw, &length);
    return written(raw, length);
}

plist_t plistData(const std::string& bytes)
{
    return plist_new_data(bytes.data(), bytes.size());
}

plist_t archivedClass(const char* name)
{
    plist_t info = plist_new_dict();
    plist_dict_set_item(info, "$classname", plist_new_string(name));
    plist_t classes = plist_new_array();
    plist_array_append_item(classes, plist_new_string(name));
    plist_array_append_item(classes, plist_new_string("NSObject"));
    plist_dict_set_item(info, "$classes", classes);
    return info;
}

plist_t startKeyedArchive(const PlistPtr& archive)
{
    plist_dict_set_item(archive.get(), "$version", plist_new_uint(100000));
    plist_dict_set_item(archive.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    plist_dict_set_item(archive.get(), "$top", top);
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_dict_set_item(archive.get(), "$objects", objects);
    return objects;
}

} // namespace varnholt::sample
