#include "sample-home/LockedNoteSample.h"

#include <cstdint>
#include <memory>
#include <plist/plist.h>
#include <stdexcept>

namespace varnholt::sample {

namespace {
struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
struct BinaryFree {
    void operator()(char* bytes) const { plist_to_bin_free(bytes); }
};

std::string binary(plist_t root)
{
    char* raw = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &raw, &length);
    const std::unique_ptr<char, BinaryFree> bytes(raw);
    if (!bytes)
        throw std::runtime_error("sample Notes store: a locked note's archive could not be written");
    return std::string(bytes.get(), length);
}

plist_t data(const std::string& bytes)
{
    return plist_new_data(bytes.data(), bytes.size());
}
} // namespace

std::string cipherObjectArchive(bool passphraseSalt)
{
    const std::unique_ptr<void, PlistFree> unauthenticated(plist_new_dict());
    if (passphraseSalt) {
        plist_dict_set_item(unauthenticated.get(), "passphraseSalt", data(std::string(32, '\x5A')));
        plist_dict_set_item(unauthenticated.get(), "passphraseIterationCount", plist_new_uint(20000));
        plist_dict_set_item(unauthenticated.get(), "passphraseHint", plist_new_string("the usual"));
    }
    const std::unique_ptr<void, PlistFree> metadata(plist_new_dict());
    plist_dict_set_item(metadata.get(), "cipherVersion", plist_new_uint(2));
    plist_dict_set_item(metadata.get(), "objectIdentifier", plist_new_string("6F1C2B3A-0000-4000-8000-00000000BEEF"));

    const std::unique_ptr<void, PlistFree> root(plist_new_dict());
    plist_dict_set_item(root.get(), "$version", plist_new_uint(100000));
    plist_dict_set_item(root.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    plist_dict_set_item(root.get(), "$top", top);
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_t object = plist_new_dict();
    plist_dict_set_item(object, "unauthenticatedMetadata", plist_new_uid(2));
    plist_dict_set_item(object, "metadata", plist_new_uid(3));
    plist_dict_set_item(object, "wrappedEncryptionKey", plist_new_uid(4));
    plist_dict_set_item(object, "encryptedData", plist_new_uid(5));
    plist_dict_set_item(object, "$class", plist_new_uid(6));
    plist_array_append_item(objects, object);
    plist_array_append_item(objects, data(binary(unauthenticated.get())));
    plist_array_append_item(objects, data(binary(metadata.get())));
    plist_array_append_item(objects, data(std::string(40, '\x17')));
    plist_array_append_item(objects, data(std::string(250, '\xC3')));
    plist_t classInfo = plist_new_dict();
    plist_dict_set_item(classInfo, "$classname", plist_new_string("ICCryptoEncryptionObject"));
    plist_t classes = plist_new_array();
    plist_array_append_item(classes, plist_new_string("ICCryptoEncryptionObject"));
    plist_array_append_item(classes, plist_new_string("NSObject"));
    plist_dict_set_item(classInfo, "$classes", classes);
    plist_array_append_item(objects, classInfo);
    plist_dict_set_item(root.get(), "$objects", objects);
    return binary(root.get());
}

} // namespace varnholt::sample
