// The client module replaces this placeholder.
export {};
