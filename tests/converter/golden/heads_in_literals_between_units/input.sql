create procedure first_unit as print 'one'
GO
raiserror('Now at the create procedure section', 0, 1)
print "create trigger here"
select 'it''s create proc x' -- create procedure in a comment
/* create procedure in a block comment */
GO
create procedure second_unit as print 'two'
GO
