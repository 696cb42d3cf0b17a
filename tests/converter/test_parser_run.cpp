// Grammar and parser through whole kestra runs (scanner, parser, run driver) in a temporary
// directory: the statement forms of the source dialect, refusals with the right line and
// token, files of several units, the -D trace of a real run, deep nesting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testutil.h"

using namespace kestra_test;

namespace {

const char *const converted = "Successfully converted. RETCODE = 0\n";

run_result convert(const std::string &source, const std::vector<std::string> &options = {}) {
    temp_dir dir;
    dir.write("src.sql", source);
    std::vector<std::string> args = options;
    args.push_back("src.sql");
    return run_in_process(dir, args);
}

} // namespace

// Each statement form of the grammar, written as a source would write it, in a procedure of
// its own (each run starts from the program-start state).
TEST(ParserRun, StatementFormsAreAccepted) {
    const char *const bodies[] = {
        "return",
        "return 1",
        "return (@a + 1)",
        "begin\n  print 'hello', @a\nend",
        "declare @a int, @b varchar(20), @c numeric(10, 2), @d datetime, @e char(3)\n"
        "declare @f money, @g smallint, @h sysname, @i binary(8), @j timestamp",
        "if @a > 0\n  print 'x'\nelse\n  print 'y'",
        "if @a is null begin\n  return 1\nend",
        "if exists (select 1 from t where a = 1) return",
        "if not exists (select 1 from t) and @a between 1 and 5 return",
        "if @a in (1, 2, null) or @b not in (3) return",
        "if @a like 'x%' return",
        "if @@sqlstatus = 2 return",
        "if @@fetch_status = -1 return",
        "if (@@sqlstatus) <> 0 return",
        "while @i < 10\nbegin\n  select @i = @i + 1\n  if @i = 5 break\n  continue\nend",
        "lbl:\n  goto lbl",
        "waitfor delay '00:00:05'",
        "raiserror 20001 'Bad value'",
        "raiserror 20001 'Bad value %1!', @a",
        "exec other_proc\nexec @r = owner.other_proc @a, @b output\nexec db..other_proc 1, null",
        "execute db.owner.other_proc 'x'",
        "select a, b from t",
        "select distinct a as x, b 'y', c = d from t holdlock where a = 1 order by a desc, b",
        "select * from t where a = @a",
        "select t.* from db.owner.t t, owner.s where t.k *= s.k",
        "select @a = count(*), @b = max(b) from t where c is not null",
        "select a from t group by a having count(*) > 1",
        "select a from t union select b from s union all select c from u",
        "select a into #work from t\nselect * from #work",
        "select a from t where b in (select b from s where c = 1)",
        "select a from t where b > all (select b from s)",
        "select a, case b when 1 then 'one' when 2 then 'two' else 'many' end from t",
        "select convert(varchar(10), a, 101), substring(b, 1, 2), getdate() from t",
        "select a from t compute sum(a) by a",
        "select 'it''s', \"quoted\", 0x1f, 1.5, .5 from t",
        "insert into t (a, b) values (1, 'x')",
        "insert t select a, b from s where c = 1",
        "update t set a = 1, b = null where c = 2",
        "update t set a = s.a from t, s where t.k = s.k",
        "update statistics t",
        "delete from t where a = 1",
        "delete t",
        "truncate table t",
        "begin tran\ncommit tran\nbegin transaction x\nrollback transaction x\nsave tran y",
        "declare c cursor for select a, b from t for read only\nopen c\n"
        "fetch c into @a, @b\nclose c\ndeallocate cursor c",
        "create table #t (a int not null, b varchar(10) null)\ndrop table #t",
        "create unique clustered index i on t (a, b)",
        "create view v as select a from t\ndrop view v",
        "grant select, insert on t to public",
        "dbcc checktable (t)\ndbcc checkdb\ndbcc tablealloc (t, full, fix)",
        "set nocount on\nselect a from t",
        "/* a comment */ -- and another\nprint 'x'",
        "print 'a' select a from t print 'b'",
        "print 'a';",
    };
    for (const char *body : bodies) {
        std::string source =
            "create procedure p @a int, @b int output\nas\n" + std::string(body) + "\ngo\n";
        run_result r = convert(source);
        EXPECT_EQ(r.status, 0) << source;
        // (Translation notes on standard error are the actions' business, not the parse's.)
        EXPECT_EQ(r.err.find("syntax error"), std::string::npos) << source << r.err;
        EXPECT_NE(r.out.find(converted), std::string::npos) << source << "\n" << r.out;
    }
}

TEST(ParserRun, TriggersAndParameterListsAreAccepted) {
    const char *const sources[] = {
        "create trigger tr on t for insert, update as\nif update(a) print 'a changed'\ngo\n",
        ("create trigger owner.tr on owner.t for delete as\nbegin\n"
         "  delete s from s, deleted where s.k = deleted.k\nend\n"),
        "create procedure p (@a int = 1, @b varchar(10) = null output, @c int = -1) as return\n",
        "create procedure owner.p as return\n",
        "create procedure p as\nbegin\nbegin\nprint 'x'\nend\nend\ngo",
    };
    for (const char *source : sources) {
        run_result r = convert(source);
        EXPECT_EQ(r.status, 0) << source;
        EXPECT_EQ(r.err.find("syntax error"), std::string::npos) << source << r.err;
        EXPECT_NE(r.out.find(converted), std::string::npos) << source;
    }
}

TEST(ParserRun, SeveralUnitsParseOneAfterTheOther) {
    const std::string source = "-- header comment\n"
                               "create procedure p1 as\nprint 'one'\ngo\n"
                               "create procedure p2 as\nbegin\n  return 2\nend\ngo\n"
                               "text between units is skipped\n"
                               "create procedure p3 as\nprint 'three'\ngo\n"
                               "create trigger t1 on t for insert as\nprint 'four'\n";
    run_result r = convert(source, {"-D"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find(converted), std::string::npos) << r.out;
    // Four units: rule 1 once, rule 2 three times; rule 5 for the two GOs, rule 4 for the rest.
    auto count = [&](const std::string &what) {
        size_t n = 0;
        for (size_t at = r.out.find(what); at != std::string::npos; at = r.out.find(what, at + 1))
            n++;
        return n;
    };
    EXPECT_EQ(count("Reduce by (1) \"begin_conv : begin_procedure\"\n"), 1u);
    EXPECT_EQ(count("Reduce by (2) \"begin_conv : begin_conv begin_procedure\"\n"), 3u);
    EXPECT_EQ(count("Reduce by (5) \"opt_go : GO\"\n"), 3u);
    EXPECT_EQ(count("Reduce by (4) \"opt_go : /* empty */\"\n"), 1u);
    EXPECT_EQ(count("Received token CREATE_PROC\n"), 3u);
    EXPECT_EQ(count("Received token CREATE_TRIGGER\n"), 1u);
}

// The last unit of a file needs no GO.
TEST(ParserRun, LastUnitNeedsNoGo) {
    run_result r =
        convert("create procedure p1 as\nprint 'one'\ngo\ncreate procedure p2 as\nprint 'two'\n");
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find(converted), std::string::npos);
}

// The -D trace of a real run: on standard output between the banner and the report.
TEST(ParserRun, TraceOfARun) {
    run_result r = convert("create procedure p as\nreturn\ngo\n", {"-D"});
    EXPECT_EQ(r.status, 0);
    const std::string out = mask_banner_date(r.out);
    const std::string banner = "Kestra for TSQL Release 4.0.0.0.6  - Beta on <date>\n";
    ASSERT_EQ(out.rfind(banner, 0), 0u) << out;
    const std::string trace = out.substr(banner.size());
    EXPECT_EQ(trace.rfind("State 0, token -none-\nReceived token CREATE_PROC\n", 0), 0u) << trace;
    EXPECT_NE(trace.find("Received token RETURN_CLAUSE\n"), std::string::npos);
    EXPECT_NE(trace.find("Reduce by (121) \"return_construct : RETURN_CLAUSE opt_ret_val\"\n"),
              std::string::npos);
    const std::string end = "Received token end-of-file\n" + std::string(converted);
    ASSERT_GE(trace.size(), end.size());
    EXPECT_EQ(trace.substr(trace.size() - end.size()), end) << trace;
}

// Wrong input is refused where it goes wrong: yyerror's report names the line and the token.
TEST(ParserRun, SyntaxErrorsNameLineAndToken) {
    struct refusal {
        const char *source;
        const char *report;
    };
    const refusal cases[] = {
        {"create procedure p as\nbegin\n  select a, from t\nend\n",
         "syntax error in src.sql at line 3 near the token 'from'\n"},
        {"create procedure p @a int @b int as return\n",
         "syntax error in src.sql at line 1 near the token '@b'\n"},
        {"create procedure p as\n  if (@a = 1\n  return\n",
         "syntax error in src.sql at line 3 near the token 'return'\n"},
        {"create procedure p as\n\n\n  insert into t values 1\n",
         "syntax error in src.sql at line 4 near the token '1'\n"},
        {"create procedure p\n  @a int,\nbegin\n  return\nend\n",
         "syntax error in src.sql at line 3 near the token 'begin'\n"},
        {"create procedure p as\nprint 'x' +\n\nreturn\n",
         "syntax error in src.sql at line 4 near the token 'return'\n"},
        {"create procedure p as\nupdate t set where a = 1\n",
         "syntax error in src.sql at line 2 near the token 'where'\n"},
    };
    for (const refusal &c : cases) {
        run_result r = convert(c.source);
        EXPECT_EQ(r.status, 0) << c.source;
        EXPECT_EQ(r.err, c.report) << c.source;
        EXPECT_NE(r.out.find("Failed to convert. RETCODE = 0\n"), std::string::npos) << c.source;
    }
}

// A procedure nested deeper than the first two stack sizes.
TEST(ParserRun, DeeplyNestedExpressionParses) {
    std::string expr = "1";
    for (int i = 0; i < 400; i++)
        expr = "(" + expr + ")";
    run_result r = convert("create procedure p as\nprint " + expr + "\ngo\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find(converted), std::string::npos);

    // Beyond the allocation limit: yacc's overflow report, the run goes on to its end.
    expr = "1";
    for (int i = 0; i < 5000; i++)
        expr = "(" + expr + ")";
    r = convert("create procedure p as\nprint " + expr + "\ngo\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("yacc stack overflow in src.sql at line 2"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Failed to convert. RETCODE = 0\n"), std::string::npos);
}
