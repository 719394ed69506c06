// An executable that exists only for the version resource linked into it.
int main() { return 0; }
