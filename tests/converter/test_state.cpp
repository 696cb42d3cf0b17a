// Conversion state tests: program-start values, the exact subset that init() resets, the
// complete restore of reset_conversion_state(), and the capacity and text helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "convstate.h"

namespace {

struct flag16 {
    const char *name;
    int16_t *p;
};
struct flag32 {
    const char *name;
    int32_t *p;
};

// The globals init() sets to 0, 16 and 32 bits.
const std::vector<flag16> init_zero16 = {{"version_flag", &version_flag},
                                         {"ibasechar", &ibasechar},
                                         {"ibitnand", &ibitnand},
                                         {"icharbase", &icharbase},
                                         {"ipatindex", &ipatindex},
                                         {"temp_var_cnt", &temp_var_cnt},
                                         {"tab_cnt", &tab_cnt},
                                         {"from_dual", &from_dual},
                                         {"skip_rs", &skip_rs},
                                         {"insert_flag", &insert_flag},
                                         {"inInsert", &inInsert},
                                         {"star_flag", &star_flag},
                                         {"isFunction1", &isFunction1},
                                         {"isFunction", &isFunction},
                                         {"inTmp", &inTmp},
                                         {"iftrigger", &iftrigger},
                                         {"ifdeleted", &ifdeleted},
                                         {"ifeachrow", &ifeachrow},
                                         {"union_flag", &union_flag},
                                         {"first_union", &first_union},
                                         {"update_from", &update_from},
                                         {"inUnion", &inUnion},
                                         {"inSelect", &inSelect},
                                         {"cur_col", &cur_col},
                                         {"from", &from},
                                         {"if_cnt", &if_cnt},
                                         {"while_cnt", &while_cnt},
                                         {"stack_ptr", &stack_ptr},
                                         {"which_literal", &which_literal},
                                         {"else_if", &else_if},
                                         {"label_ctr", &label_ctr},
                                         {"if_exists", &if_exists},
                                         {"inSubquery", &inSubquery},
                                         {"select_stmt", &select_stmt},
                                         {"no_of_tabs", &no_of_tabs},
                                         {"begin_printed", &begin_printed},
                                         {"parameterPassed", &parameterPassed}};
const std::vector<flag32> init_zero32 = {
    {"case_flag", &case_flag},    {"declare_cur", &declare_cur}, {"fldlst_cnt", &fldlst_cnt},
    {"cur_ref", &cur_ref},        {"tot_tmp", &tot_tmp},         {"fld_cnt", &fld_cnt},
    {"declare_no", &declare_no},  {"tot_tab", &tot_tab},         {"tot_item", &tot_item},
    {"query_in_fn", &query_in_fn}};
// The globals init() sets to 1.
const std::vector<flag16> init_one16 = {{"aft_trig", &aft_trig},
                                        {"firstTrig", &firstTrig},
                                        {"firstTime", &firstTime},
                                        {"paramFlag", &paramFlag}};
const std::vector<flag32> init_one32 = {
    {"new_flag", &new_flag}, {"var_no", &var_no}, {"ref_cursor_no", &ref_cursor_no}};
// Globals init() leaves alone (options, unit name, scanner context, ...).
const std::vector<flag16> init_keeps16 = {{"procedure", &procedure},
                                          {"function", &function},
                                          {"powerbuilder", &powerbuilder},
                                          {"arg_option", &arg_option},
                                          {"default_opt", &default_opt},
                                          {"noexception", &noexception},
                                          {"prefix_name", &prefix_name},
                                          {"nocomments", &nocomments},
                                          {"use_alias", &use_alias},
                                          {"result_set_fn", &result_set_fn},
                                          {"mult_row_fn", &mult_row_fn},
                                          {"no_of_begin", &no_of_begin},
                                          {"inWhere", &inWhere},
                                          {"inIF", &inIF},
                                          {"inWhile", &inWhile},
                                          {"inUpdate", &inUpdate},
                                          {"inHaving", &inHaving},
                                          {"inExecute", &inExecute},
                                          {"no_of_begin_else", &no_of_begin_else},
                                          {"declareFlag", &declareFlag},
                                          {"ifdeclare", &ifdeclare},
                                          {"declarecnt", &declarecnt},
                                          {"outParam", &outParam},
                                          {"convertFlag", &convertFlag},
                                          {"tableFlag", &tableFlag},
                                          {"end_of_input", &end_of_input},
                                          {"conv_error", &conv_error},
                                          {"pop_var", &pop_var}};
const std::vector<flag32> init_keeps32 = {
    {"noFrom", &noFrom}, {"new_statement", &new_statement}, {"o_tot_tab", &o_tot_tab}};

void fill_everything(int16_t v16, int32_t v32) {
    for (auto &f : init_zero16)
        *f.p = v16;
    for (auto &f : init_one16)
        *f.p = v16;
    for (auto &f : init_keeps16)
        *f.p = v16;
    for (auto &f : init_zero32)
        *f.p = v32;
    for (auto &f : init_one32)
        *f.p = v32;
    for (auto &f : init_keeps32)
        *f.p = v32;
    first_split = v32;
    next_char = 'x';
    strcpy(proc_name, "unit");
    strcpy(RetCode, "42");
    strcpy(trig_tab, "t");
    strcpy(trig_where, "w");
    strcpy(case_param, "c");
    // (The largest lists are written as the converter writes them: each entry marked.)
    list_mark(tab_list_marked, 0);
    strcpy(tab_list[0].name, "tab");
    list_mark(declare_list_marked, 3);
    strcpy(declare_list[3].name, "decl");
    strcpy(qstr1, "q");
    HostInWhere.count = 3;
    strcpy(HostInWhere.name[0], "h");
    list_mark(col_list_marked, 12);
    strcpy(col_list[12].value, "v");
    for (int i = 0; i < RESULT_SET_MAX; i++) {
        list_mark(retrow_list_marked, i);
        strcpy(retrow_list[i].query, "select");
        retrow_list[i].number = 5;
        retrow_list[i].status_flag = 1;
        strcpy(fld_list[i].type, "NUMBER");
        strcpy(fld_list[i].name, "col");
        for (int c = 0; c < RESULT_COL_MAX; c += 33)
            retfld_set(i, c, "expr");
    }
}

} // namespace

TEST(ConversionState, ProgramStartValues) {
    fill_everything(7, 7);
    reset_conversion_state();
    // Options.
    EXPECT_EQ(procedure, 1);
    EXPECT_EQ(function, 0);
    EXPECT_EQ(powerbuilder, 0);
    EXPECT_EQ(arg_option, 0);
    EXPECT_EQ(default_opt, 1);
    EXPECT_EQ(noexception, 1);
    EXPECT_EQ(prefix_name, 1);
    EXPECT_EQ(nocomments, 0);
    EXPECT_EQ(use_alias, 0);
    EXPECT_EQ(result_set_fn, 1);
    EXPECT_EQ(mult_row_fn, 0);
    EXPECT_STREQ(RetCode, "0");
    // The few that start at 1 (or -1); everything else is 0 or empty.
    for (int16_t *p : {&paramFlag, &declareFlag, &aft_trig, &firstTrig, &firstTime})
        EXPECT_EQ(*p, 1);
    for (int32_t *p : {&noFrom, &new_statement, &new_flag, &var_no, &ref_cursor_no})
        EXPECT_EQ(*p, 1);
    EXPECT_EQ(first_split, -1);
    EXPECT_EQ(next_char, -1);
    for (auto &f : init_zero16)
        EXPECT_EQ(*f.p, 0) << f.name;
    for (auto &f : init_zero32)
        EXPECT_EQ(*f.p, 0) << f.name;
    for (int16_t *p : {&inWhere, &inIF, &inWhile, &inUpdate, &inHaving, &inExecute, &no_of_begin,
                       &no_of_begin_else, &ifdeclare, &declarecnt, &outParam, &convertFlag,
                       &tableFlag, &end_of_input, &conv_error, &pop_var})
        EXPECT_EQ(*p, 0);
    EXPECT_EQ(o_tot_tab, 0);
    EXPECT_EQ(yylineno, 1);
    EXPECT_EQ(yydebug, 0);
    EXPECT_STREQ(proc_name, "");
    EXPECT_STREQ(tab_list[0].name, "");
    EXPECT_STREQ(declare_list[3].name, "");
    EXPECT_STREQ(qstr1, "");
    EXPECT_EQ(HostInWhere.count, 0);
    EXPECT_STREQ(fld_list[99].name, "");
    EXPECT_STREQ(retfld_list[99][99], "");
    EXPECT_STREQ(retfld_list[5][33], "");
    EXPECT_EQ(retrow_list[7].status_flag, 0);
    EXPECT_STREQ(retrow_list[99].query, "");
    EXPECT_STREQ(col_list[12].value, "");
    EXPECT_EQ(ddl_fd, nullptr);
    EXPECT_EQ(tmpFile, nullptr);
    EXPECT_GE(begin_stack.size(), 256u);
}

TEST(ConversionState, InitResetsExactlyThePerUnitSubset) {
    reset_conversion_state();
    fill_everything(7, 7);
    init();
    for (auto &f : init_zero16)
        EXPECT_EQ(*f.p, 0) << f.name;
    for (auto &f : init_zero32)
        EXPECT_EQ(*f.p, 0) << f.name;
    for (auto &f : init_one16)
        EXPECT_EQ(*f.p, 1) << f.name;
    for (auto &f : init_one32)
        EXPECT_EQ(*f.p, 1) << f.name;
    EXPECT_EQ(first_split, -1);
    for (auto &f : init_keeps16)
        EXPECT_EQ(*f.p, 7) << f.name << " must survive init";
    for (auto &f : init_keeps32)
        EXPECT_EQ(*f.p, 7) << f.name << " must survive init";
    EXPECT_EQ(next_char, 'x');
    EXPECT_STREQ(proc_name, "unit");
    EXPECT_STREQ(RetCode, "42");
    EXPECT_STREQ(trig_tab, "");
    EXPECT_STREQ(trig_where, "");
    EXPECT_STREQ(case_param, "");
    EXPECT_STREQ(tab_list[0].name, "tab") << "list texts stay; the counts hide them";
    EXPECT_STREQ(declare_list[3].name, "decl");
    EXPECT_STREQ(qstr1, "q");
    EXPECT_EQ(HostInWhere.count, 3);
    for (int i = 0; i < RESULT_SET_MAX; i++) {
        EXPECT_STREQ(retrow_list[i].query, "");
        EXPECT_EQ(retrow_list[i].number, 0);
        EXPECT_EQ(retrow_list[i].status_flag, 0);
        EXPECT_STREQ(fld_list[i].type, "");
        EXPECT_STREQ(fld_list[i].name, "col");
        for (int c = 0; c < RESULT_COL_MAX; c += 33)
            EXPECT_EQ(retfld_list[i][c][0], '\0');
    }
    reset_conversion_state();
}

TEST(ConversionState, CapacityExceededStopsWithExitStatus1) {
    check_capacity(99, TAB_LIST_MAX, "tab_list"); // the last entry is fine
    EXPECT_EXIT(check_capacity(100, TAB_LIST_MAX, "tab_list"), testing::ExitedWithCode(1),
                "tab_list exceeds its capacity of 100 entries");
}

TEST(ConversionState, TextCopyAndAppendNeverPassTheBuffer) {
    char buf[8];
    memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(text_copy(buf, 5, "abcdefgh"), 4u);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'Z');
    EXPECT_EQ(text_append(buf, 7, "xyz"), 2u);
    EXPECT_STREQ(buf, "abcdxy");
    EXPECT_EQ(buf[7], 'Z');
    EXPECT_EQ(text_copy(buf, 1, "abc"), 0u);
    EXPECT_STREQ(buf, "");
}
