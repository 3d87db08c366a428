#include <cstdio>
int main() { std::puts("korvana"); return 0; }
