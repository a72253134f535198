// Built once for each platform library with all of its objects linked in: the link
// fails when a library calls into a layer that it does not link.
int main()
{
    return 0;
}
