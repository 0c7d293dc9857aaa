/* A module with no version resource at all. */
int qb_unversioned_marker = 1;
