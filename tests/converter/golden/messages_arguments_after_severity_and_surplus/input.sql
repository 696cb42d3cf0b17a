create procedure raise_numbered @n int as
raiserror ('Row %1! of %2!', 16, 1, @n, 5)
go
create procedure print_surplus @n int as
print 'its 100%% x', @n
go
create procedure print_unknown @n int as
print 'its %z x', @n
go
