// A program that links a library whole (every object in it), to show the
// library needs nothing but what it declares.
int main() { return 0; }
