// Links one core library whole with what it declares it builds on; it is
// never run. Building it is the check.
int main() {
    return 0;
}
