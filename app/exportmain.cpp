int main()
{
    return 0; // placeholder until the main window lands in this change
}
