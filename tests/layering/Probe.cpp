// Stands for a user of one library in the layering checks; never built.
