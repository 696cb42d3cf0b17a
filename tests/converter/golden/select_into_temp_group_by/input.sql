create procedure dept_totals as
select dept, count(*) cnt, sum(sal) as Total into #totals from emp where sal > 0 group by dept, job
select dept, cnt, Total from #totals
go
