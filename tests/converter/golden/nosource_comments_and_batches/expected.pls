-- maintenance script

/* no procedure here */
