// The unit name as the output writes it: the owner only on the CREATE line, the bare name
// everywhere else, and a name that is not a plain identifier as a double-quoted identifier.
#include "unitname.h"

#include "convstate.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The unit being converted, as its head named it, and the proc_name that head gave.
std::string head_owner;
std::string head_name;
std::string head_full;
// Counts the changes of the three above, so that a cached name sees whether they changed
// without comparing them.
unsigned head_version = 0;

struct unit_parts {
    std::string owner, name;
};

// The parts of the current unit's name. When proc_name was set otherwise than by a unit head
// (a routine driven directly), it is taken as the bare name.
unit_parts current() {
    if (head_full == proc_name)
        return {head_owner, head_name};
    return {std::string(), std::string(proc_name)};
}

// What unit_ref_name answered last and the texts it was made from: at namespace scope, so
// that a call tests no guards of local statics.
struct unit_ref_cache {
    std::string for_full, for_name, ref;
    // proc_name's buffer as it was, bytes after its NUL included: compared in 16-byte blocks up
    // to the block that holds proc_name's NUL. A block that differs only after the NUL makes
    // the name again, which is only slower.
    alignas(16) char for_proc[PROC_NAME_LEN] = {};
    unsigned for_version = 0;
};
unit_ref_cache ref_cache;

static_assert(PROC_NAME_LEN % 16 == 0, "proc_name is compared in 16-byte blocks");

bool same_proc_name(const char *kept) {
#if defined(__SSE2__)
    for (size_t i = 0; i < PROC_NAME_LEN; i += 16) {
        const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i *>(proc_name + i));
        const __m128i was = _mm_load_si128(reinterpret_cast<const __m128i *>(kept + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(now, was)) != 0xFFFF)
            return false;
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(now, _mm_setzero_si128())) != 0)
            return true;
    }
    return true;
#else
    return memcmp(kept, proc_name, PROC_NAME_LEN) == 0;
#endif
}

} // namespace

void unit_name_set(const std::string &owner, const std::string &name) {
    head_owner = owner;
    head_name = name;
    head_full = owner.empty() ? name : owner + "." + name;
    head_version++;
}

bool plain_identifier(const std::string &name) {
    if (name.empty() || isalpha(static_cast<unsigned char>(name[0])) == 0)
        return false;
    for (char c : name)
        if (isalnum(static_cast<unsigned char>(c)) == 0 && c != '_' && c != '$' && c != '#')
            return false;
    return true;
}

std::string target_identifier(const std::string &name) {
    return plain_identifier(name) ? name : "\"" + name + "\"";
}

std::string unit_head_name() {
    const unit_parts u = current();
    if (u.owner.empty())
        return target_identifier(u.name);
    return target_identifier(u.owner) + "." + target_identifier(u.name);
}

const std::string &unit_ref_name() {
    // Asked for every variable reference: kept until the unit's name changes. The head's texts
    // are compared only after a unit head was read since the last call.
    unit_ref_cache &c = ref_cache;
    std::string &for_full = c.for_full, &for_name = c.for_name, &ref = c.ref;
    unsigned &for_version = c.for_version;
    bool changed = false;
    if (for_version != head_version) {
        for_version = head_version;
        changed = for_full != head_full || for_name != head_name;
    }
    if (changed || !same_proc_name(c.for_proc)) {
        memcpy(c.for_proc, proc_name, PROC_NAME_LEN);
        for_full = head_full;
        for_name = head_name;
        ref = target_identifier(current().name);
    }
    return ref;
}

std::string unit_package_name() {
    const unit_parts u = current();
    const std::string pkg = u.name.substr(0, 27) + "Pkg";
    return plain_identifier(u.name) ? pkg : "\"" + pkg + "\"";
}

namespace {
// The valid_procname buffers of the run.
std::vector<std::unique_ptr<char[]>> procname_pool;
} // namespace

char *valid_procname(const char *name) {
    std::unique_ptr<char[]> buf(new char[30]());
    text_copy(buf.get(), 28, name);
    char *result = buf.get();
    procname_pool.push_back(std::move(buf));
    return result;
}

void release_procname_pool() {
    procname_pool.clear();
    procname_pool.shrink_to_fit();
}
