CREATE PROCEDURE all_types @c char, @c10 char(10), @v varchar(20), @vv varchar,
  @s sysname, @b varbinary(16), @n numeric, @n5 numeric(5), @n52 numeric(5,2),
  @i int, @si smallint, @d datetime, @sd smalldatetime, @ts timestamp, @m money, @dt date
AS
DECLARE @lc char, @lc10 char(10), @lv varchar(20), @lvv varchar, @ls sysname,
  @lb varbinary(16), @ln numeric, @ln5 numeric(5), @ln52 numeric(5,2), @li int,
  @lsi smallint, @ld datetime, @lsd smalldatetime, @lts timestamp, @lm money, @ldt date
RETURN
GO
