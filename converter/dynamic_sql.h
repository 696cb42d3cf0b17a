// Dynamic SQL and remote procedures of EXECUTE: EXECUTE (@sql), EXEC (@a + @b) and
// EXEC sp_executesql @sql become the target's EXECUTE IMMEDIATE of the string (the string
// itself is not converted: a diagnostic says so); a remote procedure name (server.db..proc,
// server.db.owner.proc, server...proc)
// is kept as a call over a database link named like the server, with a diagnostic.
#pragma once

// Rule 560: EXECUTE ( expression ).
void stm_execute_immediate(const char *expression);
// sp_executesql with its arguments `params` (rule 136 with that name): true when written.
bool stm_sp_executesql(const char *name, const char *params);
// Rule 561: the parts of server.db.owner.proc (owner may be empty): "owner.proc@server" or
// "proc@server".
void stm_remote_name(char *dst, const char *const *parts, int count);
