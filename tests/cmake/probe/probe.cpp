// The one source of the helper-probe project.
int probe() {
    return 0;
}
