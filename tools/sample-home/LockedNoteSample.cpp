#include "sample-home/LockedNoteSample.h"

#include "sample-home/SamplePlist.h"

#include <string>

namespace varnholt::sample {

std::string cipherObjectArchive(bool passphraseSalt)
{
    const PlistPtr unauthenticated(plist_new_dict());
    if (passphraseSalt) {
        plist_dict_set_item(unauthenticated.get(), "passphraseSalt", plistData(std::string(32, '\x5A')));
        plist_dict_set_item(unauthenticated.get(), "passphraseIterationCount", plist_new_uint(20000));
        plist_dict_set_item(unauthenticated.get(), "passphraseHint", plist_new_string("the usual"));
    }
    const PlistPtr metadata(plist_new_dict());
    plist_dict_set_item(metadata.get(), "cipherVersion", plist_new_uint(2));
    plist_dict_set_item(metadata.get(), "objectIdentifier", plist_new_string("6F1C2B3A-0000-4000-8000-00000000BEEF"));

    const PlistPtr root(plist_new_dict());
    plist_t objects = startKeyedArchive(root);
    plist_t object = plist_new_dict();
    plist_dict_set_item(object, "unauthenticatedMetadata", plist_new_uid(2));
    plist_dict_set_item(object, "metadata", plist_new_uid(3));
    plist_dict_set_item(object, "wrappedEncryptionKey", plist_new_uid(4));
    plist_dict_set_item(object, "encryptedData", plist_new_uid(5));
    plist_dict_set_item(object, "$class", plist_new_uid(6));
    plist_array_append_item(objects, object);
    plist_array_append_item(objects, plistData(binaryPlist(unauthenticated.get())));
    plist_array_append_item(objects, plistData(binaryPlist(metadata.get())));
    plist_array_append_item(objects, plistData(std::string(40, '\x17')));
    plist_array_append_item(objects, plistData(std::string(250, '\xC3')));
    plist_array_append_item(objects, archivedClass("ICCryptoEncryptionObject"));
    return binaryPlist(root.get());
}

} // namespace varnholt::sample
