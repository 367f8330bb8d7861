#pragma once
// dvrcfg's recorders by name: an inventory file of recorders with their groups and credentials,
// selected with a limit pattern, and the secrets that log in to them kept out of the process's
// arguments (a file only its owner can read, or an environment variable).
#include <string>
#include <vector>

namespace dvrcfg {

// The credentials a recorder is logged in to with; `error` says why they could not be had (a
// secret file others can read, an environment variable not set), and then it is not logged in to.
struct Credentials {
    std::string user = "admin";
    std::string password = "12345";
    std::string error;
};

// One recorder to work on.
struct Target {
    std::string address;             // sim://QUERY or HOST:PORT
    std::string name;                // the inventory's name for it, else the address
    std::vector<std::string> groups; // its inventory groups and tags
    Credentials credentials;
};

// The first line of a secret file; refused when it is no regular file, when others than its owner
// may read it, or when it is larger than a password can be.
bool readSecretFile(const std::string &path, std::string &secret, std::string &error);

// The environment variable the password is taken from when the command line names none.
inline const char *const PasswordVariable = "DVRCFG_PASSWORD";

// Reads an inventory:
//   # a comment                         ; also a comment
//   [site-a]                            the recorders below belong to group site-a
//   shop-1 address=10.0.0.5:9217 user=admin password_env=SITE_A_PASSWORD tags=hd,front
//   10.0.0.6:9217                       an address alone is its own name
//   [site-a:vars]                       key=value lines for every recorder of site-a
//   password_file=/etc/dvrcfg/site-a.secret
// Keys: address, user, password_env, password_file, password (only in an inventory no one but
// its owner may read) and tags. A recorder's own keys win over its groups', theirs over
// `defaults`. False with the file and line in `error` for anything it does not understand.
bool readInventory(const std::string &path, const Credentials &defaults, std::vector<Target> &out, std::string &error);

// Ansible-like limit: patterns separated by ',' or ':', '*' and '?' as wildcards, matched against
// a recorder's name, address and groups; "!pattern" leaves out, "&pattern" requires. False when
// nothing is left or a pattern is empty.
bool limitTargets(std::vector<Target> &targets, const std::string &pattern, std::string &error);

// `pattern` with '*' and '?' wildcards matches the whole of `text`.
bool globMatch(const std::string &pattern, const std::string &text);

} // namespace dvrcfg
