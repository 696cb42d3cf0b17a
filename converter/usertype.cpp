// User datatype file: LoadUserType, PushList, SearchList, FreeList over the
// doubly linked list uRoot ... uThis.
#include "usertype.h"

#include "text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

user_type *uRoot = nullptr;
user_type *uThis = nullptr;

void PushList(const char *name, const char *base) {
    user_type *e = new (std::nothrow) user_type;
    if (e == nullptr) {
        fprintf(stderr, "Cannot allocate memory\n");
        return;
    }
    text_copy(e->name, sizeof e->name, name);
    text_copy(e->base, sizeof e->base, base);
    e->next = nullptr;
    e->prev = nullptr;
    if (uRoot == nullptr) {
        uRoot = e;
    } else {
        uThis->next = e;
        e->prev = uThis;
    }
    uThis = e;
}

void SearchList(const char *name, char *result, size_t size) {
    for (user_type *e = uRoot; e != nullptr; e = e->next) {
        if (strcmp(e->name, name) == 0) {
            text_copy(result, size, e->base);
            return;
        }
    }
    if (size > 0)
        snprintf(result, size, "USER_TYPE_%s", name);
}

void FreeList() {
    user_type *e = uRoot;
    while (e != nullptr) {
        user_type *next = e->next;
        delete e;
        e = next;
    }
    uRoot = nullptr;
    uThis = nullptr;
}

// Reads one line of at most USER_TYPE_LINE_LEN - 1 characters (without its newline) into
// buf. A longer line is cut there and *overlong set; the rest of it up to its newline is
// skipped, so that it does not come back as a line of its own. Returns false at end of file.
static bool read_line(FILE *f, char *buf, bool *overlong) {
    int c;
    size_t n = 0;
    bool any = false;
    *overlong = false;
    while ((c = getc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (n < USER_TYPE_LINE_LEN - 1)
            buf[n++] = static_cast<char>(c);
        else
            *overlong = true;
    }
    buf[n] = '\0';
    return any;
}

void LoadUserType(const char *file) {
    FILE *f = fopen(file, "r");
    if (f == nullptr) {
        fprintf(stderr, "Cannot Load User Defined Datatype File %s\n", file);
        return;
    }
    char line[USER_TYPE_LINE_LEN];
    int lineno = 0;
    bool overlong = false;
    while (read_line(f, line, &overlong)) {
        lineno++;
        // A carriage return before the line feed (two-character line ends) is not part of
        // the base type.
        size_t len = strlen(line);
        if (len > 0 && line[len - 1] == '\r')
            line[len - 1] = '\0';
        char *space = strchr(line, ' ');
        if (space == nullptr) {
            fclose(f);
            fprintf(stderr, "Error In Format of File %s\n", file);
            fprintf(stderr, "Expected Format : UserType SybType\n");
            return;
        }
        *space = '\0';
        char *base = space + 1;
        while (*base == ' ' || *base == '\t')
            base++;
        // Names and base types have 99 characters at most; a longer one would be cut into a
        // different type, so its line is reported and skipped (loading goes on). A line
        // longer than 999 characters always has such a field.
        if (strlen(line) >= USER_TYPE_NAME_LEN || strlen(base) >= USER_TYPE_NAME_LEN || overlong) {
            fprintf(stderr,
                    "Entry too long in User Defined Datatype File %s, line %d skipped "
                    "(type names and base types have at most %d characters)\n",
                    file, lineno, USER_TYPE_NAME_LEN - 1);
            continue;
        }
        PushList(line, base);
    }
    fclose(f);
}
