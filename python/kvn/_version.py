# The project's version (the project() line of the top CMakeLists.txt); a test keeps the two equal.
__version__ = "1.40.0"
