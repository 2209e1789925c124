#pragma once

#include <string>

namespace varnholt::sample {

// The body newer versions store for a locked note (cipher version 2): a keyed archive of the
// encryption object with its metadata, wrapped key and encrypted data (random bytes here). With
// `passphraseSalt` its unauthenticated metadata names the salt, hint and iteration count of a
// password, as a password-locked note's does; without, it is locked with the device passcode.
std::string cipherObjectArchive(bool passphraseSalt);

} // namespace varnholt::sample
