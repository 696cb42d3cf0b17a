// The conversion state: definitions with program-start values, the per-unit
// reset init() and reset_conversion_state(), which restores every program-start value so that
// one process can run many conversions.
#include "convstate.h"

#include "error_handling.h"
#include "joins.h"
#include "row_limits.h"
#include "table_variables.h"

#include "output.h"
#include "unitname.h"
#include "usertype.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

// Scalars: (type, name, program-start value). One list for the definitions and the reset.
#define KESTRA_SCALARS(X)                                                                          \
    X(int16_t, procedure, 1)                                                                       \
    X(int16_t, function, 0)                                                                        \
    X(int16_t, powerbuilder, 0)                                                                    \
    X(int16_t, arg_option, 0)                                                                      \
    X(int16_t, default_opt, 1)                                                                     \
    X(int16_t, noexception, 1)                                                                     \
    X(int16_t, prefix_name, 1)                                                                     \
    X(int16_t, nocomments, 0)                                                                      \
    X(int16_t, use_alias, 0)                                                                       \
    X(int16_t, result_set_fn, 1)                                                                   \
    X(int16_t, mult_row_fn, 0)                                                                     \
    X(FILE *, fp1, nullptr)                                                                        \
    X(FILE *, fp2, nullptr)                                                                        \
    X(FILE *, fp3, nullptr)                                                                        \
    X(FILE *, fp72, nullptr)                                                                       \
    X(FILE *, tmpFile, nullptr)                                                                    \
    X(FILE *, fpLog, nullptr)                                                                      \
    X(FILE *, ddl_fd, nullptr)                                                                     \
    X(int16_t, inWhere, 0)                                                                         \
    X(int16_t, inHaving, 0)                                                                        \
    X(int16_t, inIF, 0)                                                                            \
    X(int16_t, inWhile, 0)                                                                         \
    X(int16_t, inUpdate, 0)                                                                        \
    X(int16_t, inInsert, 0)                                                                        \
    X(int16_t, inExecute, 0)                                                                       \
    X(int32_t, case_flag, 0)                                                                       \
    X(int16_t, inSelect, 0)                                                                        \
    X(int16_t, inSubquery, 0)                                                                      \
    X(int16_t, inUnion, 0)                                                                         \
    X(int16_t, union_flag, 0)                                                                      \
    X(int16_t, first_union, 0)                                                                     \
    X(int16_t, select_stmt, 0)                                                                     \
    X(int16_t, from, 0)                                                                            \
    X(int32_t, noFrom, 1)                                                                          \
    X(int16_t, from_dual, 0)                                                                       \
    X(int32_t, new_statement, 1)                                                                   \
    X(int16_t, inTmp, 0)                                                                           \
    X(int16_t, if_exists, 0)                                                                       \
    X(int16_t, else_if, 0)                                                                         \
    X(int16_t, which_literal, 0)                                                                   \
    X(int32_t, query_in_fn, 0)                                                                     \
    X(int16_t, insert_flag, 0)                                                                     \
    X(int16_t, skip_rs, 0)                                                                         \
    X(int16_t, star_flag, 0)                                                                       \
    X(int16_t, paramFlag, 1)                                                                       \
    X(int16_t, declareFlag, 1)                                                                     \
    X(int16_t, ifdeclare, 0)                                                                       \
    X(int16_t, declarecnt, 0)                                                                      \
    X(int16_t, outParam, 0)                                                                        \
    X(int16_t, parameterPassed, 0)                                                                 \
    X(int32_t, new_flag, 1)                                                                        \
    X(int16_t, iftrigger, 0)                                                                       \
    X(int16_t, ifeachrow, 0)                                                                       \
    X(int16_t, ifdeleted, 0)                                                                       \
    X(int16_t, aft_trig, 1)                                                                        \
    X(int16_t, instead_trig, 0)                                                                    \
    X(int16_t, firstTrig, 1)                                                                       \
    X(int16_t, firstTime, 1)                                                                       \
    X(int16_t, begin_printed, 0)                                                                   \
    X(int16_t, isFunction, 0)                                                                      \
    X(int16_t, isFunction1, 0)                                                                     \
    X(int16_t, version_flag, 0)                                                                    \
    X(int16_t, ibasechar, 0)                                                                       \
    X(int16_t, ibitnand, 0)                                                                        \
    X(int16_t, icharbase, 0)                                                                       \
    X(int16_t, ipatindex, 0)                                                                       \
    X(int32_t, declare_cur, 0)                                                                     \
    X(int16_t, update_from, 0)                                                                     \
    X(int16_t, convertFlag, 0)                                                                     \
    X(int16_t, tableFlag, 0)                                                                       \
    X(int16_t, end_of_input, 0)                                                                    \
    X(int16_t, conv_error, 0)                                                                      \
    X(int16_t, emptyFlag, 0)                                                                       \
    X(int16_t, inMainQuery, 0)                                                                     \
    X(int32_t, first_split, -1)                                                                    \
    X(int, next_char, -1)                                                                          \
    X(int16_t, stack_ptr, 0)                                                                       \
    X(int16_t, surplus_ends, 0)                                                                    \
    X(int16_t, if_cnt, 0)                                                                          \
    X(int16_t, while_cnt, 0)                                                                       \
    X(int16_t, label_ctr, 0)                                                                       \
    X(int16_t, no_of_tabs, 0)                                                                      \
    X(int16_t, no_of_begin, 0)                                                                     \
    X(int16_t, no_of_begin_else, 0)                                                                \
    X(int16_t, temp_var_cnt, 0)                                                                    \
    X(int32_t, tot_tab, 0)                                                                         \
    X(int32_t, o_tot_tab, 0)                                                                       \
    X(int16_t, tab_cnt, 0)                                                                         \
    X(int32_t, tot_item, 0)                                                                        \
    X(int16_t, cur_col, 0)                                                                         \
    X(int32_t, fld_cnt, 0)                                                                         \
    X(int32_t, fldlst_cnt, 0)                                                                      \
    X(int32_t, tot_tmp, 0)                                                                         \
    X(int32_t, declare_no, 0)                                                                      \
    X(int32_t, var_no, 1)                                                                          \
    X(int32_t, cur_ref, 0)                                                                         \
    X(int32_t, ref_cursor_no, 1)                                                                   \
    X(int32_t, pb_oval_no, 1)                                                                      \
    X(int32_t, pb_cursor_no, 1)                                                                    \
    X(int16_t, pop_var, 0)

#define KESTRA_DEFINE(type, name, start) type name = start;
KESTRA_SCALARS(KESTRA_DEFINE)
#undef KESTRA_DEFINE

// Texts and lists: all zero at start except RetCode.
#define KESTRA_ARRAYS(X)                                                                           \
    X(RetCode)                                                                                     \
    X(proc_name)                                                                                   \
    X(iFname)                                                                                      \
    X(oFname)                                                                                      \
    X(userfile)                                                                                    \
    X(ddl_fname)                                                                                   \
    X(star_tab)                                                                                    \
    X(fld_list)                                                                                    \
    X(tmp_list)                                                                                    \
    X(HostInWhere)                                                                                 \
    X(qstr1)                                                                                       \
    X(qstr2)                                                                                       \
    X(select_param)                                                                                \
    X(param_str)                                                                                   \
    X(where_str)                                                                                   \
    X(trig_where)                                                                                  \
    X(case_param)                                                                                  \
    X(tableList)                                                                                   \
    X(case_var)                                                                                    \
    X(cur_case_param)                                                                              \
    X(current_cursor)                                                                              \
    X(declare_param)                                                                               \
    X(defaultValue)                                                                                \
    X(trig_tab)                                                                                    \
    X(cur_param_type)                                                                              \
    X(TriggerTable)                                                                                \
    X(TriggerEvent)

char RetCode[RETCODE_LEN] = "0";
char proc_name[PROC_NAME_LEN];
char iFname[FNAME_LEN];
char oFname[FNAME_LEN];
char userfile[FNAME_LEN];
char ddl_fname[DDL_FNAME_LEN];
char star_tab[200];

std::vector<int16_t> begin_stack(BEGIN_STACK_MIN);
tab_entry tab_list[TAB_LIST_MAX];
tab_entry tab_list1[TAB_LIST_MAX];
item_entry item_list[ITEM_LIST_MAX];
col_entry col_list[COL_LIST_MAX];
fld_entry fld_list[FLD_LIST_MAX];
// retfld_list is an anonymous mapping of its own: untouched pages cost nothing, and a reset
// hands the touched ones back to the system (they read as zero again) instead of clearing
// 80 MB. It holds no pointers, so leak checkers need not scan it.
static constexpr size_t RETFLD_BYTES = sizeof(retfld_row) * RESULT_SET_MAX;
static retfld_row *map_retfld_list() {
    void *p = mmap(nullptr, RETFLD_BYTES, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<retfld_row *>(p);
}
retfld_row *retfld_list = map_retfld_list();
retrow_entry retrow_list[RESULT_SET_MAX];
int col_list_marked = 0, retrow_list_marked = 0, declare_list_marked = 0, params_marked = 0,
    tab_list_marked = 0, tab_list1_marked = 0, item_list_marked = 0;
declare_entry declare_list[DECLARE_LIST_MAX];
tmp_entry tmp_list[TMP_LIST_MAX];
host_in_where_list HostInWhere;
char params[PARAMS_MAX][PARAM_LEN];

char qstr1[QSTR_LEN], qstr2[QSTR_LEN], select_param[QSTR_LEN], param_str[QSTR_LEN],
    where_str[QSTR_LEN], trig_where[QSTR_LEN], case_param[QSTR_LEN];
char tableList[TABLE_LIST_LEN];
char case_var[CASE_TEXT_LEN], cur_case_param[CASE_TEXT_LEN];
char current_cursor[256];
char declare_param[200], defaultValue[200], trig_tab[200];
char cur_param_type[100];
char TriggerTable[100];
// The compiler lays the tables above out in memory from the last defined to the first: the
// last starts on a 2 MB boundary, so that a process that asks for large pages (kestra-batch's
// workers) gets the tables' first 2 MB in one of them. Only the virtual addresses move.
alignas(2 << 20) char TriggerEvent[1016];

void check_capacity(long count, long limit, const char *what) {
    if (count >= limit) {
        fflush(stdout);
        fprintf(stderr, "kestra: %s exceeds its capacity of %ld entries\n", what, limit);
        kestra_exit(1);
    }
}

void state_copy(char *dst, size_t size, const char *src, const char *what) {
    const size_t n = strlen(src);
    if (size == 0 || n >= size) {
        const int shown = n > 60 ? 60 : static_cast<int>(n);
        fflush(stdout);
        fprintf(stderr, "kestra: %s is longer than %zu characters: %.*s%s\n", what,
                size == 0 ? size : size - 1, shown, src, n > 60 ? "..." : "");
        kestra_exit(1);
    }
    memcpy(dst, src, n + 1);
}

// The retfld_list texts written through retfld_set since the last reset (set * 100 + column).
static std::vector<uint16_t> retfld_written;
// Texts written since the touched pages were last handed back: at most 2 pages each.
static size_t retfld_texts_kept = 0;
// Up to this many texts (some 2 MB of pages at most) a reset keeps the pages and empties the
// texts, so that the next run of the process (kestra-batch converts source after source) writes
// them without a page fault; beyond it the pages go back to the system.
static constexpr size_t RETFLD_KEEP_TEXTS = 256;

void retfld_set(int set, int col, const char *text) {
    check_capacity(set, RESULT_SET_MAX, "the result-set list (retfld_list)");
    check_capacity(col, RESULT_COL_MAX, "the result columns of a SELECT (retfld_list)");
    const size_t n = strlen(text);
    if (n >= static_cast<size_t>(RETFLD_LEN)) {
        fflush(stdout);
        fprintf(stderr,
                "kestra: a result column (retfld_list) exceeds its capacity of %d "
                "characters\n",
                RETFLD_LEN - 1);
        kestra_exit(1);
    }
    memcpy(retfld_list[set][col], text, n + 1);
    retfld_written.push_back(static_cast<uint16_t>(set * RESULT_COL_MAX + col));
    retfld_texts_kept++;
}

// The texts written since the last reset empty again, by their first byte (their bytes after
// it are read by no one). The pages stay with the process.
static void empty_written_retfld() {
    for (uint16_t k : retfld_written)
        retfld_list[k / RESULT_COL_MAX][k % RESULT_COL_MAX][0] = '\0';
    retfld_written.clear();
}

// Every retfld_list text empty again, touching only the pages that were written. init() has
// emptied the texts of the earlier units.
static void renew_retfld_list() {
    const size_t kept = retfld_texts_kept;
    retfld_texts_kept = 0;
    if (retfld_list != nullptr && kept <= RETFLD_KEEP_TEXTS) {
        empty_written_retfld();
        return;
    }
    retfld_written.clear();
    if (retfld_list == nullptr) {
        retfld_list = map_retfld_list();
        if (retfld_list == nullptr) {
            fprintf(stderr, "Cannot allocate memory\n");
            kestra_exit(1);
        }
        return;
    }
    if (madvise(retfld_list, RETFLD_BYTES, MADV_DONTNEED) != 0)
        memset(retfld_list, 0, RETFLD_BYTES);
}

void init() {
    join_reset(); // joins of the unit: none open
    err_reset();  // TRY blocks of the unit: none open
    row_limit_reset();
    tvar_reset();
    // 1. Result-set texts: the first byte of each text written since the last reset. The pages
    //    stay with the process, so the next unit writes them without a page fault.
    empty_written_retfld();
    // (Zeros only: retrow_list's entries past its mark stay as a reset left them.)
    for (int i = 0; i < RESULT_SET_MAX; i++) {
        retrow_list[i].query[0] = '\0';
        retrow_list[i].number = 0;
        retrow_list[i].status_flag = 0;
        fld_list[i].type[0] = '\0';
    }
    // 2.
    trig_tab[0] = '\0';
    trig_where[0] = '\0';
    case_param[0] = '\0';
    // A cursor fetched in an earlier unit is not declared in this one: its status tests must
    // not name it.
    current_cursor[0] = '\0';
    // 3.
    aft_trig = 1;
    instead_trig = 0;
    firstTrig = 1;
    new_flag = 1;
    var_no = 1;
    ref_cursor_no = 1;
    firstTime = 1;
    paramFlag = 1;
    first_split = -1;
    // 4.
    version_flag = ibasechar = ibitnand = icharbase = ipatindex = 0;
    temp_var_cnt = tab_cnt = from_dual = skip_rs = insert_flag = 0;
    case_flag = 0;
    inInsert = star_flag = 0;
    declare_cur = 0;
    fldlst_cnt = cur_ref = 0;
    isFunction1 = isFunction = 0;
    tot_tmp = fld_cnt = 0;
    inTmp = iftrigger = ifdeleted = 0;
    declare_no = tot_tab = tot_item = 0;
    ifeachrow = union_flag = first_union = update_from = inUnion = 0;
    query_in_fn = 0;
    inSelect = cur_col = from = if_cnt = while_cnt = stack_ptr = which_literal = else_if = 0;
    label_ctr = if_exists = inSubquery = select_stmt = no_of_tabs = begin_printed = 0;
    parameterPassed = 0;
}

// Set by conversion_state_untouched(), spent by the next reset.
static bool arrays_untouched = false;

void conversion_state_untouched() {
    arrays_untouched = true;
}

void reset_scan_state() {
#define KESTRA_RESET(type, name, start) name = start;
    KESTRA_SCALARS(KESTRA_RESET)
#undef KESTRA_RESET
    yyin = nullptr;
    yyout = nullptr;
    yylineno = 1;
    yydebug = 0;
    arrays_untouched = false; // what follows writes some of the lists
}

// The sanitizer builds (gcc's and clang's) check the marks at each reset.
#if defined(__SANITIZE_ADDRESS__)
#define KESTRA_CHECK_MARKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRA_CHECK_MARKS 1
#endif
#endif

// The lists cleared as far as they were marked (list_mark).
#define KESTRA_MARKED_LISTS(X)                                                                     \
    X(col_list) X(retrow_list) X(declare_list) X(params) X(tab_list) X(tab_list1) X(item_list)

// Clears the entries of `list` marked since the last reset: 2.3 MB of lists that a conversion
// mostly leaves untouched, cleared in full after every source, took 12% of a batch run's time.
template <class T, size_t N> void clear_marked(T (&list)[N], int &marked, const char *name) {
    const size_t from = static_cast<size_t>(marked);
#ifdef KESTRA_CHECK_MARKS
    // Nothing past the marks was written.
    const auto *bytes = reinterpret_cast<const unsigned char *>(list + from);
    for (size_t k = 0; k < (N - from) * sizeof(T); k++)
        if (bytes[k] != 0) {
            fprintf(stderr, "kestra: %s entry %zu was written without its mark\n", name,
                    from + k / sizeof(T));
            abort();
        }
#else
    (void)name;
#endif
    memset(list, 0, from * sizeof(T));
    marked = 0;
}

void reset_conversion_state() {
#define KESTRA_ZERO(name) memset(&name, 0, sizeof name);
    if (!arrays_untouched) {
        KESTRA_ARRAYS(KESTRA_ZERO)
#define KESTRA_CLEAR_MARKED(name) clear_marked(name, name##_marked, #name);
        KESTRA_MARKED_LISTS(KESTRA_CLEAR_MARKED)
#undef KESTRA_CLEAR_MARKED
    }
#undef KESTRA_ZERO
    reset_scan_state(); // and arrays_untouched is spent
    text_copy(RetCode, sizeof RetCode, "0");
    begin_stack.assign(BEGIN_STACK_MIN, 0);
    begin_stack.shrink_to_fit();
    renew_retfld_list();
    FreeList();
    release_procname_pool();
    unit_name_set(std::string(), std::string());
}
