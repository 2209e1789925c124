-- Varnholt: exports every note of Notes as one HTML file, with its attachments
-- in a "<title>_files" folder beside it. Files are written as each note is
-- exported, so the caller can count them while the script runs.
-- Layout: <destRootPOSIX>/<account>/<folder path>/<title>.html

on sanitizeName(theName)
	set theName to theName as text
	if theName is "" then set theName to "Untitled"
	set AppleScript's text item delimiters to {"/", ":"}
	set parts to text items of theName
	set AppleScript's text item delimiters to "-"
	set theName to parts as text
	set AppleScript's text item delimiters to ""
	if theName starts with "." then set theName to "_" & theName
	if (length of theName) > 120 then set theName to text 1 thru 120 of theName
	return theName
end sanitizeName

on uniquePath(folderPOSIX, baseName, ext)
	set candidate to folderPOSIX & baseName & ext
	set n to 2
	repeat
		try
			do shell script "test -e " & quoted form of candidate
			set candidate to folderPOSIX & baseName & " (" & n & ")" & ext
			set n to n + 1
		on error
			return candidate
		end try
	end repeat
end uniquePath

on writeUTF8(thePath, theText)
	set fileRef to open for access (POSIX file thePath) with write permission
	try
		set eof of fileRef to 0
		write theText to fileRef as «class utf8»
		close access fileRef
	on error errMsg
		close access fileRef
		error errMsg
	end try
end writeUTF8

on htmlEscape(theText)
	set theText to theText as text
	set pairs to {{"&", "&amp;"}, {"<", "&lt;"}, {">", "&gt;"}, {"\"", "&quot;"}}
	repeat with p in pairs
		set AppleScript's text item delimiters to item 1 of p
		set parts to text items of theText
		set AppleScript's text item delimiters to item 2 of p
		set theText to parts as text
	end repeat
	set AppleScript's text item delimiters to ""
	return theText
end htmlEscape

on folderPath(f)
	set thePath to my sanitizeName(name of f)
	try
		set c to container of f
		repeat while class of c is folder
			set thePath to my sanitizeName(name of c) & "/" & thePath
			set c to container of c
		end repeat
	end try
	return thePath
end folderPath

set dateStamp to do shell script "date +%Y%m%d_%H%M%S"
set destRootPOSIX to "/Users/tolvane/notes_export_" & dateStamp & "/"
do shell script "mkdir -p " & quoted form of destRootPOSIX

tell application "Notes"
	repeat with acc in accounts
		set accName to my sanitizeName(name of acc)
		repeat with f in folders of acc
			set folderPOSIX to destRootPOSIX & accName & "/" & my folderPath(f) & "/"
			do shell script "mkdir -p " & quoted form of folderPOSIX
			repeat with n in notes of f
				set n_name to name of n
				set baseName to my sanitizeName(n_name)
				set htmlPath to my uniquePath(folderPOSIX, baseName, ".html")
				set filesName to text 1 thru -6 of (last item of my splitPath(htmlPath)) & "_files"
				set filesPOSIX to folderPOSIX & filesName & "/"
				do shell script "mkdir -p " & quoted form of filesPOSIX
				set bodyHTML to ""
				if password protected of n then
					set bodyHTML to "<p>This note is locked.</p>"
				else
					set bodyHTML to body of n
					repeat with a in attachments of n
						try
							set attName to my sanitizeName(name of a)
							save a in (POSIX file (filesPOSIX & attName))
							set bodyHTML to bodyHTML & "<p><a href=\"" & filesName & "/" & attName & "\">" & my htmlEscape(attName) & "</a></p>"
						end try
					end repeat
				end if
				set page to "<!DOCTYPE html>" & linefeed & "<html><head><meta charset=\"utf-8\"><title>" & my htmlEscape(n_name) & "</title></head><body>" & linefeed & bodyHTML & linefeed & "</body></html>" & linefeed
				my writeUTF8(htmlPath, page)
			end repeat
		end repeat
	end repeat
end tell

on splitPath(p)
	set AppleScript's text item delimiters to "/"
	set parts to text items of p
	set AppleScript's text item delimiters to ""
	return parts
end splitPath
