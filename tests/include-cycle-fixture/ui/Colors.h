// Included by both: no cycle through here.
